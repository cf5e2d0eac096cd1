// SPDX-License-Identifier: GPL-3.0-or-later
// The window's precise meter: the lowest belts from the run's last clips, the search round
// a target, and never a reading outside 10 to 1000 Hz.
#include "mainwindow/precise_meter.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/pitch_synth.h"

namespace vellora {
namespace {

constexpr float kPas = 22050.0f / 4096;

// One stiff belt recorded over `clips` clips, handed over a clip at a time.
std::vector<std::vector<uint8_t>> clipsOf(double f1, double b, size_t clips, uint32_t seed) {
    synth::Random random(seed);
    synth::StiffPluck p;
    p.firstModeHz = f1;
    p.inharmonicity = b;
    p.onsetSeconds = 0.05;
    p.decaySeconds = 1.5;
    p.snrDb = 30;
    p.samples = clips * synth::kClipSamples;
    const std::vector<uint8_t> all = synth::render(p, random);
    std::vector<std::vector<uint8_t>> out;
    for (size_t i = 0; i < clips; ++i)
        out.emplace_back(all.begin() + std::ptrdiff_t(i * synth::kClipSamples),
                         all.begin() + std::ptrdiff_t((i + 1) * synth::kClipSamples));
    return out;
}

TEST(PreciseMeter, TheLowestDecadeReadsFromTheRunsLastClips) {
    PreciseMeter meter;
    const auto clips = clipsOf(12.5, 0.001, 3, 3);
    EXPECT_FALSE(meter.belt(clips[0], kPas));  // three periods: too few
    std::optional<PitchEstimate> e;
    for (size_t i = 1; i < clips.size(); ++i) e = meter.belt(clips[i], kPas);
    ASSERT_TRUE(e);
    EXPECT_NEAR(e->hz, 12.5, 0.01 * 12.5);
    // A new run forgets them: its first clip alone is too short again.
    meter.startRun();
    EXPECT_FALSE(meter.belt(clips[2], kPas));
}

TEST(PreciseMeter, ATargetIsSearchedFirstButNothingOutsideTheRangeIsRead) {
    PreciseMeter meter;
    const auto clip = clipsOf(140, 0.005, 1, 5).front();
    for (const Range target : {Range{130, 150}, Range{20, 30}, Range{900, 5000}}) {
        const auto e = meter.belt(clip, kPas, target);
        ASSERT_TRUE(e) << target.low;
        EXPECT_NEAR(e->hz, 140, 0.005 * 140) << target.low;
        EXPECT_NEAR(e->inharmonicity, 0.005, 0.001) << target.low;
    }
    EXPECT_FALSE(meter.belt(synth::pureTone(1500, 22050), kPas, Range{1000, 2000}));
    EXPECT_FALSE(meter.belt(synth::pureTone(1500, 22050), kPas));
}

}  // namespace
}  // namespace vellora
