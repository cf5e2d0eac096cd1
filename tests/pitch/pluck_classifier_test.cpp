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
         clip(3000, [](size_t i, double) { return i == 0   ? 127.0
                                                  : i == 1 ? -120.0
                                                           : 0; }),
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

TEST(PluckClassifier, OnsetPlaceTargetAndContinuation) {
    const struct {
        const char* name;
        double onsetSeconds;
        std::optional<HzRange> target;
        bool continuing;
        PluckRefusal expected;
    } cases[] = {
        {"inside the target", 0.05, HzRange{80, 95}, false, PluckRefusal::None},
        // A reading outside the target is still a reading: the read-out shows it red.
        {"an octave band round the target", 0.05, HzRange{150, 170}, false, PluckRefusal::None},
        {"far below the target", 0.05, HzRange{300, 350}, false, PluckRefusal::OutOfRange},
        {"far above the target", 0.05, HzRange{20, 30}, false, PluckRefusal::OutOfRange},
        {"onset 30 ms before the end", 0.37, std::nullopt, false, PluckRefusal::LateOnset},
        // The ringing that follows a late onset, in the next clip.
        {"ringing without onset", -0.05, std::nullopt, false, PluckRefusal::NoOnset},
        {"ringing after a late onset", -0.05, std::nullopt, true, PluckRefusal::None},
    };
    PluckClassifier classifier;
    for (const auto& c : cases) {
        synth::Random random(5);
        const PluckVerdict v = classifier.classify(
            synth::render(belt(5, 87.3, c.onsetSeconds), random), kPas, c.target, c.continuing);
        EXPECT_EQ(v.refusal, c.expected) << c.name;
        EXPECT_NEAR(v.isPluck() ? v.hz : 87.3, 87.3, 87.3 * kHzTolerance) << c.name;
    }
}

// Two clips back to back, the pluck `onset` seconds into the first.
TEST(PluckClassifier, OnsetLateInTheClipBeforeIsFoundAcrossTheTwo) {
    const struct {
        const char* name;
        double onset;
        PluckRefusal expected;
    } cases[] = {
        // After the first 4096 samples (0.186 s) the meter's spectrum never saw it.
        {"in the unseen end of the clip before", 0.33, PluckRefusal::None},
        {"just before the clip", 0.399, PluckRefusal::None},
        // Rang through the whole clip before: that clip would have fired already.
        {"long before", 0.02, PluckRefusal::NoOnset},
    };
    PluckClassifier classifier;
    for (const auto& c : cases) {
        synth::Random random(8);
        synth::Pluck p = synth::randomBelt(random, 120, kRate);
        p.onsetSeconds = c.onset;
        p.decaySeconds = 0.5;
        const std::vector<uint8_t> both = synth::render(p, random, 2 * synth::kClipSamples);
        const std::span<const uint8_t> before(both.data(), synth::kClipSamples);
        const std::span<const uint8_t> clip(both.data() + synth::kClipSamples, synth::kClipSamples);
        EXPECT_EQ(classifier.classify(clip, kPas).refusal, PluckRefusal::NoOnset) << c.name;
        const PluckVerdict v = classifier.classify(clip, kPas, std::nullopt, false, before);
        EXPECT_EQ(v.refusal, c.expected) << c.name;
        EXPECT_NEAR(v.isPluck() ? v.hz : 120, 120, 120 * kHzTolerance) << c.name;
    }
}

}  // namespace
}  // namespace vellora
