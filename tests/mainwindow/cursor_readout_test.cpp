// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/cursor_readout.h"

#include <gtest/gtest.h>

#include "support/recording_surface.h"

namespace vellora {
namespace {

using test::RecordingSurface;

BarTable barsEvery(int32_t w, int32_t last) {
    BarTable t{};
    for (int32_t i = 3; i <= last; ++i) t[i] = {w * i, 400 - i % 50, 65536 * 255};
    return t;
}

TEST(CursorReadout, HitZonesForPenWidthsOneAndFour) {
    struct Case {
        float x;
        int16_t w;
        int32_t bar;
        bool over;
    };
    for (Case c : {Case{100.4f, 1, 100, true}, Case{100.6f, 1, 100, false},
                   Case{98.6f, 4, 100, true},    // rounds to 99: within 2
                   Case{98.4f, 4, 100, false},   // rounds to 98 = bar - 2: strict
                   Case{102.4f, 4, 100, false},  // rounds to 102
                   Case{100.5f, 1, 100, true},   // halves to even: 100
                   Case{101.5f, 1, 102, true},   // and 102
                   Case{100.5f, 1, 101, false}, Case{40000.0f, 1, 40000, false},
                   Case{-40000.0f, 1, -40000, false}}) {
        EXPECT_EQ(cursorOverBar(c.x, c.w, c.bar), c.over) << c.x << " w=" << c.w;
    }
}

TEST(CursorReadout, ReadsTheCursorFrequencyOverABar) {
    RecordingSurface im(1024, 500);
    NoiseState noise;
    const BarTable bars = barsEvery(1, 1024);
    CursorView view{true, 1024, 5.4171f};
    EXPECT_EQ(cursorMouseMove(im, noise, bars, view, 100.0f, 50.0f), "542Hz");
    EXPECT_EQ(cursorMouseMove(im, noise, bars, view, 1024.0f, 50.0f), "5547Hz");
    // Rows 1 and 2 are never written: both sit at x = 0 and a cursor there is over them.
    EXPECT_EQ(cursorMouseMove(im, noise, bars, view, 0.2f, 50.0f), "1Hz");
    EXPECT_FALSE(cursorMouseMove(im, noise, bars, view, 1.0f, 50.0f));
}

TEST(CursorReadout, RedrawsBarsAndDrawsMarkerAndNoiseLineOnlyOverABar) {
    RecordingSurface im(1024, 500);
    im.pen = 2;
    NoiseState noise{true, false, 120};
    const BarTable bars = barsEvery(2, 500);
    CursorView view{true, 500, 5.4171f};
    EXPECT_EQ(cursorMouseMove(im, noise, bars, view, 200.0f, 0.0f), "542Hz");
    EXPECT_EQ(im.clears, 1);
    EXPECT_EQ(im.lines.size(), 500u + 3u);  // every row, then marker, stroke and noise line
    const auto& stroke = im.lines[100];     // right after bar 100
    EXPECT_EQ(stroke.x1, 200.0f);
    EXPECT_EQ(stroke.y1, float(bars[100].BarreY - 1));
    EXPECT_EQ(stroke.y2, float(bars[100].BarreY - 20));
    EXPECT_EQ(im.lines[102].y1, 120.0f);
    EXPECT_EQ(im.lines[102].x2, 1024.0f);
    im.lines.clear();
    EXPECT_FALSE(cursorMouseMove(im, noise, bars, view, 201.0f, 0.0f));  // between bars
    EXPECT_EQ(im.lines.size(), 500u);
    // With the noise line neither armed nor being placed, no line across.
    im.lines.clear();
    noise = NoiseState{false, false, 120};
    EXPECT_EQ(cursorMouseMove(im, noise, bars, view, 200.0f, 0.0f), "542Hz");
    EXPECT_EQ(im.lines.size(), 500u + 2u);
    // Analysis off: only the noise line follows the mouse, nothing is drawn.
    im.lines.clear();
    const int clears = im.clears;
    noise = NoiseState{true, true, 0};
    view.modeAnalyse = false;
    EXPECT_FALSE(cursorMouseMove(im, noise, bars, view, 200.0f, 77.0f));
    EXPECT_TRUE(im.lines.empty());
    EXPECT_EQ(im.clears, clears);
    EXPECT_EQ(noise.NiveauBruit, 77);
}

}  // namespace
}  // namespace vellora
