// SPDX-License-Identifier: GPL-3.0-or-later
// The decay fit on rings of known partials, written out here by their own formula: each
// a decaying cosine at n f0 sqrt(1 + B n^2), so the answer is the f1 put in.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

#include "pitch/pitch_decay.h"
#include "pitch/pitch_estimator.h"

namespace vellora {
namespace {

constexpr double kRate = 22050;

// A plucked ring of `partials` partials after `silence` s of quiet: amplitudes 1/n, time
// constants tau1 / (1 + 0.2 (n - 1)), in 8-bit steps with white noise and a room's rumble
// (brown noise) of about `rumble` steps RMS.
std::vector<double> ring(double f1, double b, double tau1, double seconds, double peak,
                         double noise, int partials = 6, double silence = 0, double rumble = 0) {
    std::vector<double> x(size_t(seconds * kRate), 0.0);
    std::mt19937 random(7);
    std::normal_distribution<double> gauss(0, noise), unit(0, 1);
    const double f0 = f1 / std::sqrt(1 + b);
    double walk = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        const double t = double(i) / kRate - silence;
        if (t >= 0)
            for (int n = 1; n <= partials; ++n) {
                const double tau = tau1 / (1 + 0.2 * (n - 1));
                const double hz = n * f0 * std::sqrt(1 + b * n * n);
                x[i] += peak / n * std::exp(-t / tau) *
                        std::cos(2 * std::numbers::pi * hz * t + 0.7 * n);
            }
        x[i] += gauss(random);
        if (rumble > 0) x[i] += walk = 0.995 * walk + 0.1 * rumble * unit(random);
    }
    return x;
}

std::vector<uint8_t> bytes(const std::vector<double>& x) {
    std::vector<uint8_t> out(x.size());
    for (size_t i = 0; i < x.size(); ++i)
        out[i] = uint8_t(std::clamp(std::lround(128 + x[i]), 0L, 255L));
    return out;
}

// Rings of a few periods: the first mode within 0.5 %, whatever partial is heard loudest.
TEST(DecayFit, ReadsTheFirstModeOfABriefStiffRing) {
    DecayFitter fitter;
    struct Case {
        double f1, b, tau1, heard;
    };
    for (const Case c :
         {Case{58.47, 0.0003, 0.026, 58.5}, Case{263, 0.002, 0.015, 263}, Case{431, 0, 0.03, 862},
          Case{200, 0.001, 0.025, 400}, Case{126.6, 0.009, 0.03, 126.6},
          Case{74, 0.0085, 0.021, 74}, Case{58, 0.005, 0.033, 58}, Case{43, 0.003, 0.025, 43}}) {
        SCOPED_TRACE(c.f1);
        const std::vector<double> x = ring(c.f1, c.b, c.tau1, 0.4, 60, 0.5);
        const double heard[] = {c.heard};
        const DecayFit fit = fitter.fit(x, kRate, heard, {});
        ASSERT_EQ(fit.verdict, DecayVerdict::Read);
        EXPECT_NEAR(fit.f1 / c.f1, 1, 0.005);
        EXPECT_NEAR(fit.tau1 / c.tau1, 1, 0.25);
    }
}

// The meter's 8-bit clip of a belt damped hard: read within 0.5 % where the spectrum's
// peaks alone are too wide; a ring of a period or so is refused as too brief.
TEST(DecayFit, TheEstimatorReadsADampedBeltAndRefusesABlip) {
    PitchEstimator estimator;
    struct Case {
        double f1, b, tau1;
        int partials;
        double silence;
    };
    // Three partials, where the series an octave under takes in the skirts of the
    // partials above the band with its own between them; a stiff belt whose first mode
    // rings a dozen periods a time constant; wide partials whose skirts make peaks between
    // them; a pluck so late in the clip that a time constant on, a whole window no
    // longer fits; a low belt whose lobes fill each third of an octave, so no peak stands
    // out of its band's floor; a belt whose partials all lie on mains harmonics; a stiff
    // belt of two partials, whose peaks alone place f1 0.7 % high.
    for (const Case c : {Case{150, 0.001, 0.02, 6, 0.05}, Case{263, 0.002, 0.02, 3, 0.05},
                         Case{150, 0.008, 0.025, 6, 0.05}, Case{150, 0, 0.025, 3, 0.05},
                         Case{150, 0.001, 0.025, 6, 0.28}, Case{60, 0.001, 0.02, 6, 0.05},
                         Case{200, 0, 0.04, 3, 0.05}, Case{67, 0.006, 0.04, 2, 0.05}}) {
        SCOPED_TRACE(c.f1 * 1000 + c.silence);
        const auto e = estimator.estimateAtRate(
            bytes(ring(c.f1, c.b, c.tau1, 0.4, 60, 0.6, c.partials, c.silence)), kRate);
        ASSERT_TRUE(e);
        EXPECT_NEAR(e->hz / c.f1, 1, 0.005);
    }
    EXPECT_FALSE(estimator.estimateAtRate(bytes(ring(45, 0, 0.004, 0.4, 60, 0.6, 6, 0.05)), kRate));
    // A room's rumble, with peaks of its own at 16 and 21 Hz under the ring; a belt whose
    // partials 3 and 5 are silent, where the series of its partials 2, 4 and 6 competes
    // with its own over the same peaks.
    std::vector<double> gapped = ring(231, 0, 0.035, 0.4, 60, 0.6, 1, 0.05);
    const std::vector<double> even = ring(462, 0, 0.035 / 1.2, 0.4, 36, 0, 3, 0.05);
    for (size_t i = 0; i < gapped.size(); ++i) gapped[i] += even[i];
    for (const auto& [x, f1] : {std::pair{ring(80, 0, 0.025, 0.4, 60, 0.6, 6, 0.05, 0.3), 80.0},
                                std::pair{gapped, 231.0}}) {
        SCOPED_TRACE(f1);
        const auto e = estimator.estimateAtRate(bytes(x), kRate);
        ASSERT_TRUE(e);
        EXPECT_NEAR(e->hz / f1, 1, 0.005);
    }
    // Half a period in the noise: no first mode to tell. A dozen milliseconds of a stiff
    // belt in noise: the fit's best lies 0.7 % high, and its own deviation says the ring
    // cannot tell f1 that closely.
    DecayFitter fitter;
    const double heard[] = {45}, heard90[] = {90};
    EXPECT_NE(fitter.fit(ring(45, 0, 0.008, 0.2, 8, 2), kRate, heard, {}).verdict,
              DecayVerdict::Read);
    EXPECT_EQ(fitter.fit(ring(90, 0.004, 0.012, 0.4, 40, 1), kRate, heard90, {}).verdict,
              DecayVerdict::TooBrief);
}

}  // namespace
}  // namespace vellora
