// SPDX-License-Identifier: GPL-3.0-or-later
// The pluck classifier on clips whose nature is known: belts plucked at a known moment,
// and workshop sounds that must not count as readings.
#include "pitch/pluck_classifier.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <set>

#include "support/pitch_synth.h"

namespace vellora {
namespace {

constexpr double kRate = 22050;
const float kPas = float(kRate / 4096);  // a calibrated meter
constexpr double kHzTolerance = 0.005;   // a reading is worth taking within half a per cent

// A light hiss, then `sound(i, t)` from sample `from` on (t in seconds from there).
template <typename Sound>
std::vector<uint8_t> clip(size_t from, Sound sound) {
    synth::Random random(11);
    std::vector<double> s(synth::kClipSamples);
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = random.normal() + (i >= from ? sound(i - from, double(i - from) / kRate) : 0.0);
    return synth::quantise(s);
}

synth::Pluck belt(uint32_t seed, double hz, double onsetSeconds) {
    synth::Random random(seed);
    synth::Pluck p = synth::randomBelt(random, hz, kRate);
    p.onsetSeconds = onsetSeconds;
    return p;
}

TEST(PluckClassifier, WorkshopSoundsAreNotPlucks) {
    const double tau = 2 * std::numbers::pi;
    const struct {
        const char* name;
        std::vector<uint8_t> samples;
        std::set<PluckRefusal> allowed;
    } cases[] = {
        {"click",
         clip(3000, [](size_t i, double) { return i < 2 ? 127.0 - 247.0 * i : 0; }),
         {PluckRefusal::TooShort}},
        {"tone from the start", synth::pureTone(220, kRate), {PluckRefusal::NoOnset}},
        {"tone switched on",
         clip(2000, [&](size_t, double t) { return 70 * std::sin(tau * 150 * t); }),
         {PluckRefusal::NotDecaying}},
        // A voiced syllable gliding from 120 to 170 Hz, a quick attack and a slow fall:
        // whether the glide defeats the estimator or shows between the halves, no reading.
        {"syllable",
         clip(1000,
              [&](size_t, double t) {
                  const double phase = tau * (120 * t + 50 * t * t / 0.72);
                  double v = 0;
                  for (int n = 1; n <= 6; ++n) v += std::sin(n * phase) / n;
                  return 50 * std::min(1.0, t / 0.004) * std::exp(-t / 0.25) * v;
              }),
         {PluckRefusal::Unsteady, PluckRefusal::NoTone}},
        {"empty", {}, {PluckRefusal::NoTone}},
    };
    PluckClassifier classifier;
    for (const auto& c : cases) {
        const PluckVerdict v = classifier.classify(c.samples, kPas);
        EXPECT_TRUE(c.allowed.count(v.refusal)) << c.name << ": refusal " << int(v.refusal);
    }
}

// Plucks at random onsets are taken with their first mode, decaying, the onset placed
// within one 5 ms frame of the attack.
TEST(PluckClassifier, PluckedBeltsAreTakenWithTheirFirstModeAndOnset) {
    PluckClassifier classifier;
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        synth::Random random(seed);
        const double hz = random.logUniform(45, 380), onset = random.uniform(0.01, 0.15);
        synth::Random noise(seed);
        const PluckVerdict v =
            classifier.classify(synth::render(belt(seed, hz, onset), noise), kPas);
        SCOPED_TRACE(seed);
        ASSERT_TRUE(v.isPluck()) << hz << " Hz refused: " << int(v.refusal);
        EXPECT_NEAR(v.hz, hz, hz * kHzTolerance);
        EXPECT_LT(v.decayDbPerS, 0);
        EXPECT_GE(double(v.onset) / kRate, onset - 0.0051);
        EXPECT_LE(double(v.onset) / kRate, onset + 0.001);
    }
}

// A belt of 87.3 Hz plucked `onset` seconds into the clip judged (before it: into the
// clip recorded before, which is given only where `before` says).
TEST(PluckClassifier, OnsetPlaceTargetContinuationAndTheClipBefore) {
    const struct {
        const char* name;
        double onset;
        PluckRefusal expected;
        std::optional<Range> target = std::nullopt;
        bool continuing = false, before = false;
    } cases[] = {
        {"inside the target", 0.05, PluckRefusal::None, Range{80, 95}},
        // A reading outside the target is still a reading: the read-out shows it red.
        {"an octave band round the target", 0.05, PluckRefusal::None, Range{150, 170}},
        {"far below the target", 0.05, PluckRefusal::OutOfRange, Range{300, 350}},
        {"far above the target", 0.05, PluckRefusal::OutOfRange, Range{20, 30}},
        {"onset 30 ms before the end", 0.37, PluckRefusal::LateOnset},
        {"ringing without onset", -0.05, PluckRefusal::NoOnset},
        {"ringing after a late onset", -0.05, PluckRefusal::None, std::nullopt, true},
        // After the first 4096 samples (0.186 s) the meter's spectrum never saw it.
        {"in the unseen end of the clip before", -0.07, PluckRefusal::None, std::nullopt, false,
         true},
        {"just before the clip", -0.001, PluckRefusal::None, std::nullopt, false, true},
        // Rang through the whole clip before: that clip would have fired already.
        {"long before", -0.38, PluckRefusal::NoOnset, std::nullopt, false, true},
    };
    PluckClassifier classifier;
    for (const auto& c : cases) {
        synth::Random random(5);
        synth::Pluck p = belt(5, 87.3, c.onset + 0.4);
        p.decaySeconds = 0.5;
        const std::vector<uint8_t> both = synth::render(p, random, 2 * synth::kClipSamples);
        const std::span<const uint8_t> before(both.data(), c.before ? synth::kClipSamples : 0);
        const PluckVerdict v = classifier.classify(std::span(both).subspan(synth::kClipSamples),
                                                   kPas, c.target, c.continuing, before);
        EXPECT_EQ(v.refusal, c.expected) << c.name;
        EXPECT_NEAR(v.isPluck() ? v.hz : 87.3, 87.3, 87.3 * kHzTolerance) << c.name;
    }
}

// A tone of 22050 / 110 Hz (one period in each 5 ms frame of 110 samples) that climbs to
// 8 dB under its peak for `climbFrames` frames, then jumps to the peak and dies away over
// 150 ms: its attack takes climbFrames + 1 frames. A pluck reaches it within 25 ms.
TEST(PluckClassifier, AnAttackOf25MsIsAPluckAndOneOf30MsIsNot) {
    constexpr size_t kFrame = 110;
    constexpr double hz = kRate / kFrame;
    for (const size_t climbFrames : {1, 4, 5, 8}) {
        const size_t from = 20 * kFrame, peak = from + climbFrames * kFrame;
        const std::vector<uint8_t> samples = clip(from, [&](size_t i, double t) {
            const double gain = from + i < peak ? std::pow(10.0, -8.0 / 20)
                                                : std::exp(-double(from + i - peak) / kRate / 0.15);
            return 80 * gain * std::sin(2 * std::numbers::pi * hz * t);
        });
        PluckClassifier classifier;
        const PluckVerdict v = classifier.classify(samples, kPas);
        SCOPED_TRACE(climbFrames);
        EXPECT_EQ(v.refusal, climbFrames + 1 <= 5 ? PluckRefusal::None : PluckRefusal::NoOnset);
        EXPECT_NEAR(v.isPluck() ? v.hz : hz, hz, hz * kHzTolerance);
    }
}

// The same 110 Hz tone struck at full level and falling in steps each frame: 1.7 dB a
// frame keeps frames 0 to 11 within 20 dB of the peak (frame 11 at -18.7 dB), 60 ms, a
// ring long enough to judge further; 1.95 dB a frame puts frame 11 at -21.45 dB, 55 ms,
// a knock.
TEST(PluckClassifier, ARingOf60MsIsJudgedAndOneOf55MsIsTooShort) {
    constexpr size_t kFrame = 110;
    constexpr double hz = kRate / kFrame;
    for (const auto& [fall, tooShort] : {std::pair{1.7, false}, std::pair{1.95, true}}) {
        const double dbPerFrame = fall;  // a lambda may not capture a binding (clang)
        const std::vector<uint8_t> samples = clip(20 * kFrame, [&](size_t i, double t) {
            const size_t k = i / kFrame;
            return k < 12 ? 80 * std::pow(10.0, -dbPerFrame * double(k) / 20) *
                                std::sin(2 * std::numbers::pi * hz * t)
                          : 0.0;
        });
        PluckClassifier classifier;
        SCOPED_TRACE(dbPerFrame);
        EXPECT_EQ(classifier.classify(samples, kPas).refusal == PluckRefusal::TooShort, tooShort);
    }
}

}  // namespace
}  // namespace vellora
