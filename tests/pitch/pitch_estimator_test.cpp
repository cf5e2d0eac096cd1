// The precise estimator against synthetic material whose fundamental is known.
#include "pitch/pitch_estimator.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/pitch_synth.h"

namespace vellora {
namespace {

// The targets: 0.5 % on at least 99 % of plucked belts, 0.05 % on a pure tone.
constexpr double kPluckTolerance = 0.005;
constexpr double kPluckSuccessShare = 0.99;
constexpr double kToneTolerance = 0.0005;
constexpr int kPluckCases = 1000;
constexpr float kDefaultPas = 5.4171f;

double relativeError(double got, double want) { return std::abs(got / want - 1); }

TEST(PitchEstimator, PlucksWithWeakOrMissingFundamentalAcrossTheBeltRange) {
    synth::Random random(20240611);
    PitchEstimator estimator;
    int good = 0;
    for (int i = 0; i < kPluckCases; ++i) {
        const double f = random.logUniform(40, 400);
        // Calibrated scales round the default: the estimate must follow the card's rate.
        const float pas = float(random.uniform(5.2, 5.65));
        const synth::Pluck pluck = synth::randomBelt(random, f, cardRate(pas));
        const auto e = estimator.estimate(synth::render(pluck, random), pas);
        if (e && relativeError(e->hz, f) <= kPluckTolerance) ++good;
    }
    EXPECT_GE(good, int(std::ceil(kPluckSuccessShare * kPluckCases)));
}

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
                      HarmonicCase{390, {0.1, 0.5, 1, 0.5}}));

TEST(PitchEstimator, PureTonesAcrossTheRange) {
    PitchEstimator estimator;
    for (const float pas : {4.8f, 5.4171f, 6.2f}) {
        for (double f = 40; f <= 400; f *= 1.071) {
            const auto e = estimator.estimate(synth::pureTone(f, cardRate(pas)), pas);
            ASSERT_TRUE(e) << f << " Hz";
            EXPECT_LE(relativeError(e->hz, f), kToneTolerance) << f << " Hz at " << pas;
        }
    }
}

TEST(PitchEstimator, NoClearPitchInSilenceNoiseOrTooLittleSound) {
    synth::Random random(99);
    PitchEstimator estimator;
    EXPECT_FALSE(estimator.estimate(synth::noise(random, 0), kDefaultPas));
    for (const double rms : {0.5, 1.0, 5.0, 20.0, 60.0})
        for (int i = 0; i < 20; ++i)
            EXPECT_FALSE(estimator.estimate(synth::noise(random, rms), kDefaultPas)) << rms;
    EXPECT_FALSE(estimator.estimate({}, kDefaultPas));
    // 40 ms cannot hold two periods of 40 Hz.
    EXPECT_FALSE(estimator.estimate(synth::pureTone(100, 22050, 100, 882), kDefaultPas));
    EXPECT_FALSE(estimator.estimate(synth::pureTone(100, 22050), 0.0f));
}

}  // namespace
}  // namespace vellora
