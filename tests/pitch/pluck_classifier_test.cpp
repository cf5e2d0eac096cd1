// The pluck classifier on synthetic clips whose nature is known: belts plucked at
// random, and the sounds a workshop makes that must not count as readings.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <set>

#include "pitch/pluck_classifier.h"
#include "support/pitch_synth.h"

namespace vellora {
namespace {

constexpr double kRate = 22050;
const float kPas = float(kRate / 4096);  // a calibrated meter
// A reading is worth taking within half a per cent; the estimator does far better.
constexpr double kHzTolerance = 0.005;

uint8_t step(double v) { return uint8_t(std::clamp(std::lround(128 + v), 0L, 255L)); }

// A clip of silence with a light hiss, so that levels are never exactly zero.
std::vector<double> hiss(synth::Random& random, double rms = 1.0) {
    std::vector<double> s(synth::kClipSamples);
    for (double& v : s) v = rms * random.normal();
    return s;
}

std::vector<uint8_t> quantise(const std::vector<double>& s) {
    std::vector<uint8_t> out(s.size());
    for (size_t i = 0; i < s.size(); ++i) out[i] = step(s[i]);
    return out;
}

// One sample at full scale: the click of a switch.
std::vector<uint8_t> click(synth::Random& random) {
    std::vector<double> s = hiss(random);
    s[3000] = 127;
    s[3001] = -120;
    return quantise(s);
}

// A knock: a burst of noise through a wooden resonance, gone within about 15 ms.
std::vector<uint8_t> knock(synth::Random& random) {
    std::vector<double> s = hiss(random);
    double y1 = 0, y2 = 0;
    const double r = std::exp(-1.0 / (0.004 * kRate));  // 4 ms time constant
    const double w = 2 * std::numbers::pi * 700 / kRate;
    for (size_t i = 2000; i < s.size(); ++i) {
        const double x = i < 2040 ? 60 * random.normal() : 0;
        const double y = x + 2 * r * std::cos(w) * y1 - r * r * y2;
        y2 = y1;
        y1 = y;
        s[i] += 0.5 * y;
    }
    return quantise(s);
}

// A tone switched on mid-clip and held: a buzzer, a motor.
std::vector<uint8_t> heldTone(synth::Random& random, double hz, size_t from) {
    std::vector<double> s = hiss(random);
    for (size_t i = from; i < s.size(); ++i)
        s[i] += 70 * std::sin(2 * std::numbers::pi * hz * double(i - from) / kRate);
    return quantise(s);
}

// A voiced syllable: harmonics of a pitch gliding from 120 to 170 Hz, quick attack and
// a slow fall.
std::vector<uint8_t> syllable(synth::Random& random) {
    std::vector<double> s = hiss(random);
    double phase = 0;
    for (size_t i = 1000; i < s.size(); ++i) {
        const double t = double(i - 1000) / kRate;
        phase += 2 * std::numbers::pi * (120 + 50 * t / 0.36) / kRate;
        double v = 0;
        for (int n = 1; n <= 6; ++n) v += std::sin(n * phase) / n;
        s[i] += 50 * std::min(1.0, t / 0.004) * std::exp(-t / 0.25) * v;
    }
    return quantise(s);
}

// A plucked belt with its onset at `onsetSeconds`.
std::vector<uint8_t> pluck(uint32_t seed, double hz, double onsetSeconds) {
    synth::Random random(seed);
    synth::Pluck p = synth::randomBelt(random, hz, kRate);
    p.onsetSeconds = onsetSeconds;
    return synth::render(p, random);
}

struct NotAPluck {
    const char* name;
    std::vector<uint8_t> (*make)(synth::Random&);
    std::set<PluckRefusal> allowed;
};

TEST(PluckClassifier, WorkshopSoundsAreNotPlucks) {
    const NotAPluck cases[] = {
        {"click", click, {PluckRefusal::TooShort}},
        {"knock", knock, {PluckRefusal::TooShort}},
        {"tone from the start",
         [](synth::Random&) { return synth::pureTone(220, kRate); },
         {PluckRefusal::NoOnset}},
        {"tone switched on",
         [](synth::Random& r) { return heldTone(r, 150, 2000); },
         {PluckRefusal::NotDecaying}},
        // Whether the glide defeats the estimator or shows between the halves, it is
        // no reading.
        {"syllable", syllable, {PluckRefusal::Unsteady, PluckRefusal::NoTone}},
        {"silence",
         [](synth::Random&) { return std::vector<uint8_t>(synth::kClipSamples, 128); },
         {PluckRefusal::NoOnset}},
        {"empty", [](synth::Random&) { return std::vector<uint8_t>(); }, {PluckRefusal::NoTone}},
    };
    PluckClassifier classifier;
    synth::Random random(11);
    for (const NotAPluck& c : cases) {
        const PluckVerdict v = classifier.classify(c.make(random), kPas);
        EXPECT_FALSE(v.isPluck()) << c.name;
        EXPECT_TRUE(c.allowed.count(v.refusal)) << c.name << ": refusal " << int(v.refusal);
    }
}

TEST(PluckClassifier, PluckedBeltsAreTakenWithTheirFirstMode) {
    PluckClassifier classifier;
    int taken = 0, tried = 0;
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        synth::Random random(seed);
        const double hz = random.logUniform(45, 380);
        const auto clip = pluck(seed, hz, random.uniform(0.01, 0.15));
        const PluckVerdict v = classifier.classify(clip, kPas);
        ++tried;
        if (!v.isPluck()) {
            ADD_FAILURE() << "seed " << seed << " at " << hz << " Hz refused: " << int(v.refusal);
            continue;
        }
        ++taken;
        EXPECT_NEAR(v.hz, hz, hz * kHzTolerance) << "seed " << seed;
        EXPECT_LT(v.decayDbPerS, 0) << "seed " << seed;
    }
    EXPECT_EQ(taken, tried);
}

TEST(PluckClassifier, OnsetPlaceTargetAndContinuation) {
    struct Case {
        const char* name;
        double onsetSeconds;
        std::optional<HzRange> target;
        bool continuing;
        PluckRefusal expected;
    };
    const Case cases[] = {
        {"early onset", 0.05, std::nullopt, false, PluckRefusal::None},
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
    for (const Case& c : cases) {
        const PluckVerdict v =
            classifier.classify(pluck(5, 87.3, c.onsetSeconds), kPas, c.target, c.continuing);
        EXPECT_EQ(v.refusal, c.expected) << c.name;
        if (c.expected == PluckRefusal::None) {
            EXPECT_NEAR(v.hz, 87.3, 87.3 * kHzTolerance) << c.name;
        }
    }
}

TEST(PluckClassifier, OnsetLateInTheClipBeforeIsFoundAcrossTheTwo) {
    // Two clips back to back; the pluck starts `onset` seconds into the first.
    struct Case {
        const char* name;
        double onset;
        PluckRefusal expected;
    };
    const Case cases[] = {
        // After the first 4096 samples (0.186 s) the meter's spectrum never saw it.
        {"in the unseen end of the clip before", 0.33, PluckRefusal::None},
        {"just before the clip", 0.399, PluckRefusal::None},
        // Rang through the whole clip before: that clip would have fired already.
        {"long before", 0.02, PluckRefusal::NoOnset},
    };
    PluckClassifier classifier;
    for (const Case& c : cases) {
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
        if (v.isPluck()) {
            EXPECT_NEAR(v.hz, 120, 120 * kHzTolerance) << c.name;
        }
    }
}

TEST(PluckClassifier, OnsetIsPlacedAtTheAttack) {
    PluckClassifier classifier;
    // Frames are 5 ms: the onset lies within one frame before the pluck starts.
    const PluckVerdict v = classifier.classify(pluck(9, 120, 0.1), kPas);
    ASSERT_TRUE(v.isPluck());
    const double at = double(v.onset) / kRate;
    EXPECT_GE(at, 0.1 - 0.0051);
    EXPECT_LE(at, 0.1 + 0.0001);
}

}  // namespace
}  // namespace vellora
