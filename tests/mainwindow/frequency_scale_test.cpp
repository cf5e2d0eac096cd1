// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/frequency_scale.h"

#include <gtest/gtest.h>

#include <vector>

namespace vellora {
namespace {

// Answers worked out by hand: a tick at f Hz lies at f / pas bins, w units per bin, on a
// 1024-unit surface `width` pixels across: x = f / pas * w * width / 1024.
TEST(FrequencyScale, TicksFollowTheScaleTheBinCountAndTheBarWidth) {
    // Hertz between labelled ticks and between ticks, of the last tick, of a labelled
    // tick and where it lies.
    struct Case {
        const char* what;
        float pas;
        int bins, w;
        double width;
        int step, minor, lastHertz, probeHertz;
        double probeX;
    };
    const Case cases[] = {
        // 1024 bins of 5.4171 Hz, one pixel each: 0.18460 px/Hz, 64 px needs 346.7 Hz, so
        // labels every 500 Hz (200 would be 36.9 px), ticks every 100 (18.5 px); the last
        // bin is 5547.1 Hz.
        {"design scale", 5.4171f, 1024, 1, 1024, 500, 100, 5500, 1000, 184.6006},
        // The same on a surface half as wide: 0.09230 px/Hz, 64 px needs 693.4 Hz: labels
        // every 1000 Hz, ticks every 200 (18.5 px).
        {"narrow surface", 5.4171f, 1024, 1, 512, 1000, 200, 5400, 2000, 184.6006},
        // 200 bins of 2.5 Hz drawn 5 units apart (1024 / 200 = 5.12 rounds to 5):
        // 2 px/Hz, labels every 50 Hz (20 would be 40 px), ticks every 10; the last bin
        // drawn is 200, 500 Hz.
        {"few bins", 2.5f, 200, 5, 1024, 50, 10, 500, 100, 200.0},
        // 2048 bins at one unit each: only the 1024 that fit are drawn, up to 2560 Hz.
        {"more bins than fit", 2.5f, 2048, 1, 1024, 200, 50, 2550, 400, 160.0},
    };
    for (const Case& c : cases) {
        const std::vector<ScaleTick> ticks = frequencyScaleTicks(c.pas, c.bins, c.w, c.width, 64);
        ASSERT_GE(ticks.size(), 3u) << c.what;
        EXPECT_EQ(ticks[0].hertz, 0) << c.what;
        EXPECT_EQ(ticks[1].hertz, c.minor) << c.what;
        EXPECT_EQ(ticks.back().hertz, c.lastHertz) << c.what;
        int probed = 0;
        for (const ScaleTick& t : ticks) {
            EXPECT_EQ(t.labelled, t.hertz % c.step == 0) << c.what << " " << t.hertz;
            if (t.hertz == c.probeHertz && ++probed) {
                EXPECT_NEAR(t.x, c.probeX, 1e-3) << c.what;
            }
        }
        EXPECT_EQ(probed, 1) << c.what;
    }
    // No scale without a usable step or width, and no runaway for a tiny one.
    EXPECT_TRUE(frequencyScaleTicks(0.0f, 1024, 1, 1024, 64).empty());
    EXPECT_TRUE(frequencyScaleTicks(5.4171f, 1024, 1, 0, 64).empty());
    EXPECT_LE(frequencyScaleTicks(1e-6f, 1024, 1, 1024, 64).size(), 100u);
}

// A box 100 high steps below a noise line through it or its 8-pixel gap, above it when
// there is no room below, and stays where it was when there is room neither way. Just
// room below: 50 + 8 + 1 = 59, and 59 + 100 = 159; just room above: 108 - 8 - 100 = 0.
TEST(FrequencyScale, BoxesStepOutOfTheNoiseLine) {
    struct Case {
        int top;
        std::optional<int> line;
        int bottom, want;
    };
    for (const Case& c :
         {Case{7, std::nullopt, 400, 7}, Case{7, 116, 400, 7}, Case{7, 115, 400, 124},
          Case{7, 50, 400, 59}, Case{300, 350, 400, 242}, Case{0, 60, 150, 0}, Case{7, 50, 159, 59},
          Case{7, 50, 158, 7}, Case{100, 108, 200, 0}})
        EXPECT_EQ(clearOfNoiseLine(c.top, 100, c.line, c.bottom, 8), c.want) << c.line.value_or(-1);
}

// A window of 720 x 420 beside a main window of 1070 x 748 at the top left, keeping its
// menu bar, its frequency read-out and its precise read-out in sight.
TEST(FrequencyScale, AWindowOpensBesideWithoutCoveringTheReadouts) {
    const ScreenRect main{0, 0, 1070, 748};
    const std::vector<ScreenRect> keep = {
        {0, 0, 1070, 20}, {471, 690, 120, 20}, {887, 26, 153, 89}};
    struct Case {
        ScreenRect screen;
        int left, top;
    };
    for (const Case& c :
         {Case{{0, 0, 1920, 1080}, 1070, 0},  // right of it
                                              // No room beside or in a corner: halfway down the
                                              // right edge, over the spectrum only.
          Case{{0, 0, 1280, 900}, 560, 240}}) {
        const ScreenRect at = besideWithoutCovering({0, 0, 720, 420}, main, keep, c.screen);
        EXPECT_EQ(at.left, c.left) << c.screen.width;
        EXPECT_EQ(at.top, c.top) << c.screen.width;
        for (const ScreenRect& k : keep) EXPECT_FALSE(at.intersects(k)) << c.screen.width;
    }
}

}  // namespace
}  // namespace vellora
