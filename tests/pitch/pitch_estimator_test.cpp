// The precise estimator against recordings whose first mode is known.
#include "pitch/pitch_estimator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "support/pitch_field.h"
#include "support/pitch_synth.h"

namespace vellora {
namespace {

constexpr double kPluckTolerance = 0.005;
constexpr double kToneTolerance = 0.0005;
constexpr float kDefaultPas = 5.4171f;

double relativeError(double got, double want) { return std::abs(got / want - 1); }

// A clean stiff belt: plucked near one end, heard near the other, 30 dB SNR.
synth::StiffPluck cleanBelt(double f1, double b) {
    synth::StiffPluck p;
    p.firstModeHz = f1;
    p.inharmonicity = b;
    p.rate = cardRate(kDefaultPas);
    p.pluckAt = 0.13;
    p.micAt = 0.07;
    p.snrDb = 30;
    p.onsetSeconds = 0.05;
    p.samples = synth::clipsFor(f1) * synth::kClipSamples;
    return p;
}

struct StiffCase {
    double f1, b;
    double tilt;  // 2: upper partials strong, the first mode well below them
};
void PrintTo(const StiffCase& c, std::ostream* os) { *os << c.f1 << " Hz, B " << c.b; }

class StiffBelt : public ::testing::TestWithParam<StiffCase> {};

// f1 = f0 sqrt(1 + B), not the harmonic average the partials suggest: the reported
// examples read 1 to 3 % high before.
TEST_P(StiffBelt, GivesTheFirstModeAndTheStiffness) {
    synth::Random random(5);
    synth::StiffPluck p = cleanBelt(GetParam().f1, GetParam().b);
    p.tilt = GetParam().tilt;
    PitchEstimator estimator;
    const auto e = estimator.estimate(synth::render(p, random), kDefaultPas);
    ASSERT_TRUE(e);
    EXPECT_LE(relativeError(e->hz, p.firstModeHz), 0.001) << e->hz;
    EXPECT_NEAR(e->inharmonicity, p.inharmonicity, std::max(0.0002, 0.1 * p.inharmonicity));
}

INSTANTIATE_TEST_SUITE_P(Belts, StiffBelt,
                         ::testing::Values(StiffCase{122.8, 0.002, 1}, StiffCase{377.1, 0.008, 1},
                                           StiffCase{61.3, 0.02, 2}, StiffCase{250, 0.05, 1.5},
                                           StiffCase{90, 0, 2}, StiffCase{437.6, 0.001, 1},
                                           StiffCase{995, 0.0015, 1}, StiffCase{10.6, 0.001, 1.5},
                                           StiffCase{27, 0.002, 1.5}));

// Hand-picked spectra where the strongest partial is a multiple of the fundamental.
struct HarmonicCase {
    double hz;
    std::vector<double> amplitudes;
};
void PrintTo(const HarmonicCase& c, std::ostream* os) { *os << c.hz << " Hz"; }

class StrongHarmonic : public ::testing::TestWithParam<HarmonicCase> {};

TEST_P(StrongHarmonic, GivesTheFundamentalNotTheStrongestPartial) {
    synth::Random random(7);
    synth::Pluck p;
    p.fundamentalHz = GetParam().hz;
    p.rate = cardRate(kDefaultPas);
    p.amplitudes = GetParam().amplitudes;
    p.phases.assign(p.amplitudes.size(), 0.3);
    p.inharmonicity = 8e-5;
    p.decaySeconds = 0.2;
    PitchEstimator estimator;
    const auto e = estimator.estimate(synth::render(p, random), kDefaultPas);
    ASSERT_TRUE(e);
    EXPECT_NEAR(e->hz, p.fundamentalHz, kPluckTolerance * p.fundamentalHz);
}

INSTANTIATE_TEST_SUITE_P(
    Spectra, StrongHarmonic,
    ::testing::Values(HarmonicCase{41, {0, 1, 0.4, 0.4, 0.4}},               // missing, 2nd
                      HarmonicCase{87, {0.05, 0.3, 0.3, 0.3, 1, 0.3, 0.3}},  // 5th strongest
                      HarmonicCase{130, {0, 1, 0.2, 1, 0.2, 1, 0.2, 1}},     // even ones strong
                      HarmonicCase{153, {1, 0, 0.5, 0, 0.3, 0, 0.2}}));      // odd ones only

// The figures the meter had before stiff belts: they must not fall.
TEST(PitchEstimator, PlucksWithWeakOrMissingFundamentalAcrossTheBeltRange) {
    constexpr int kCases = 1000;
    synth::Random random(20240611);
    PitchEstimator estimator;
    int good = 0, wrong = 0;
    for (int i = 0; i < kCases; ++i) {
        const double f = random.logUniform(40, 400);
        const float pas = float(random.uniform(5.2, 5.65));
        const synth::Pluck pluck = synth::randomBelt(random, f, cardRate(pas));
        const auto e = estimator.estimate(synth::render(pluck, random), pas);
        good += e && relativeError(e->hz, f) <= kPluckTolerance;
        wrong += e && relativeError(e->hz, f) > 0.02;
    }
    EXPECT_GE(good, 999);
    EXPECT_EQ(wrong, 0);
}

// The ends of the belt range and one middle at three scales, and the top of the readings.
TEST(PitchEstimator, PureTonesAcrossTheRange) {
    PitchEstimator estimator;
    for (const float pas : {4.8f, 5.4171f, 6.2f}) {
        for (const double f : {40.0, 131.7, 384.7}) {
            const auto e = estimator.estimate(synth::pureTone(f, cardRate(pas)), pas);
            ASSERT_TRUE(e) << f << " Hz";
            EXPECT_LE(relativeError(e->hz, f), kToneTolerance) << f << " Hz at " << pas;
        }
    }
    const auto top = estimator.estimate(synth::pureTone(995, cardRate(kDefaultPas)), kDefaultPas);
    ASSERT_TRUE(top);
    EXPECT_LE(relativeError(top->hz, 995), kToneTolerance);
}

TEST(PitchEstimator, NeverReadsOutsideTenToAThousandHertz) {
    PitchOptions wide;
    wide.minHz = 1;
    wide.maxHz = 5000;
    PitchEstimator estimator(wide);
    EXPECT_FALSE(estimator.estimate(synth::pureTone(1500, cardRate(kDefaultPas)), kDefaultPas));
    EXPECT_FALSE(estimator.estimate(
        synth::pureTone(7, cardRate(kDefaultPas), 100, 3 * synth::kClipSamples), kDefaultPas));
    // A calibration range round 440 Hz keeps the tone and nothing far from it.
    PitchOptions tone;
    tone.minHz = 308;
    tone.maxHz = 616;
    PitchEstimator calibration(tone);
    const auto e = calibration.estimate(synth::pureTone(440, 22050), kDefaultPas);
    ASSERT_TRUE(e);
    EXPECT_NEAR(e->hz, 440 * cardRate(kDefaultPas) / 22050, 0.05);
    EXPECT_FALSE(calibration.estimate(synth::pureTone(150, 22050), kDefaultPas));
}

// Two belts sounding at once explain different peaks equally well: either answer could
// be the one the user means.
TEST(PitchEstimator, TwoEqualSeriesGiveNoPitch) {
    synth::Random random(11);
    synth::StiffPluck a = cleanBelt(100, 0.001), b = cleanBelt(137, 0.001);
    b.pluckAt = a.pluckAt;
    const auto x = synth::render(a, random), y = synth::render(b, random);
    std::vector<uint8_t> both(x.size());
    for (size_t i = 0; i < x.size(); ++i) both[i] = uint8_t((int(x[i]) + int(y[i])) / 2);
    PitchEstimator estimator;
    EXPECT_FALSE(estimator.estimate(both, kDefaultPas));
}

// Only the even partials of 60 Hz, strong, and no trace of 60 Hz itself: 120 Hz or
// nothing, never 60 or 40.
TEST(PitchEstimator, EvenPartialsAloneNeverGiveTheSubHarmonic) {
    synth::Random random(13);
    synth::Pluck p;
    p.fundamentalHz = 60.7;
    p.rate = cardRate(kDefaultPas);
    p.amplitudes = {0, 1, 0, 0.8, 0, 0.6, 0, 0.5};
    p.phases.assign(p.amplitudes.size(), 0.1);
    p.decaySeconds = 0.3;
    PitchEstimator estimator;
    const auto e = estimator.estimate(synth::render(p, random), kDefaultPas);
    if (e) {
        EXPECT_NEAR(e->hz, 121.4, 0.005 * 121.4);
    }
}

TEST(PitchEstimator, TooFewPeriodsGiveNoPitch) {
    synth::Random random(17);
    // 12 Hz in one 400 ms clip, the pluck 50 ms in: four periods.
    synth::StiffPluck p = cleanBelt(12, 0.001);
    p.samples = synth::kClipSamples;
    PitchEstimator estimator;
    EXPECT_FALSE(estimator.estimate(synth::render(p, random), kDefaultPas));
    // With three clips the same belt reads.
    p.samples = 3 * synth::kClipSamples;
    const auto e = estimator.estimate(synth::render(p, random), kDefaultPas);
    ASSERT_TRUE(e);
    EXPECT_LE(relativeError(e->hz, 12), 0.01);
}

TEST(PitchEstimator, UsesTheNewestSamplesOfALongerRecording) {
    synth::Random random(19);
    std::vector<uint8_t> samples = synth::noise(random, 30, 4 * synth::kClipSamples);
    const auto belt = synth::render(cleanBelt(80, 0.003), random);
    std::copy(belt.begin(), belt.end(), samples.end() - std::ptrdiff_t(belt.size()));
    PitchEstimator estimator;
    const auto e = estimator.estimate(samples, kDefaultPas);
    ASSERT_TRUE(e);
    EXPECT_LE(relativeError(e->hz, 80), kPluckTolerance);
}

TEST(PitchEstimator, NoClearPitchInNoiseHumSilenceSpeechAndClicks) {
    synth::Random random(99);
    PitchEstimator estimator;
    EXPECT_FALSE(estimator.estimate(synth::noise(random, 0), kDefaultPas));
    EXPECT_FALSE(estimator.estimate({}, kDefaultPas));
    EXPECT_FALSE(estimator.estimate(synth::pureTone(100, 22050), 0.0f));
    for (const size_t clips : {1, 3}) {
        const size_t n = clips * synth::kClipSamples;
        for (int i = 0; i < 20; ++i) {
            EXPECT_FALSE(
                estimator.estimate(synth::noise(random, random.uniform(0.5, 60), n), kDefaultPas))
                << "noise " << i;
            EXPECT_FALSE(estimator.estimate(
                synth::mainsHum(random, i % 2 ? 50 : 60, random.uniform(2, 40), n), 22050 / 4096.f))
                << "hum " << i;
            EXPECT_FALSE(estimator.estimate(synth::speechLike(random, n), kDefaultPas))
                << "speech " << i;
            EXPECT_FALSE(estimator.estimate(synth::doorSlam(random, n), kDefaultPas))
                << "click " << i;
        }
    }
}

// A vowel: a steady harmonic sound that rises over 60 ms, holds 150 ms and stops within
// 60 ms. Its partials are as clean as a belt's; only its envelope tells it apart.
TEST(PitchEstimator, AHeldSyllableGivesNoPitch) {
    synth::Random random(29);
    const double rate = cardRate(kDefaultPas);
    std::vector<uint8_t> clip(synth::kClipSamples);
    for (size_t i = 0; i < clip.size(); ++i) {
        const double t = double(i) / rate - 0.08;
        const double gain = t < 0      ? 0
                            : t < 0.06 ? t / 0.06
                            : t < 0.21 ? 1
                                       : std::max(0.0, 1 - (t - 0.21) / 0.06);
        double v = 0;
        for (int n = 1; n <= 6; ++n) v += std::sin(2 * std::numbers::pi * 196 * n * t) / n;
        clip[i] = uint8_t(std::lround(128 + 50 * gain * v + 0.5 * random.normal()));
    }
    PitchEstimator estimator;
    EXPECT_FALSE(estimator.estimate(clip, kDefaultPas));
}

// Case 956 of the independent generator's stiff belts (40.56 Hz, B 0.0044) read 43.3 Hz
// with B 0.051 from partials 6 to 11 of a fit pressed against the stiffness limit.
TEST(PitchEstimator, AFewPartialsBentToTheStiffnessLimitGiveNoReading) {
    const auto cases = field::makeSet("stiff", 957);
    PitchEstimator estimator;
    const auto e = estimator.estimateAtRate(cases[956].samples, cases[956].rate);
    if (e) {
        EXPECT_LE(relativeError(e->hz, cases[956].f1), kPluckTolerance) << e->hz;
    }
}

}  // namespace
}  // namespace vellora
