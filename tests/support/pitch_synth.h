// SPDX-License-Identifier: GPL-3.0-or-later
// Synthetic recordings for the tests and benchmarks: plucked belts, tones and noise as the
// recorder saves them (unsigned 8-bit, 128 = silence). The same bytes for a seed on every
// platform: the generator is mt19937 and the distributions are our own.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

namespace vellora::synth {

inline constexpr size_t kClipSamples = 8820;  // 400 ms at 22050 per second

class Random {
  public:
    explicit Random(uint32_t seed) : gen_(seed) {}
    double uniform(double lo, double hi);
    double logUniform(double lo, double hi);
    double normal();

  private:
    std::mt19937 gen_;
};

// Partial n at n f0 sqrt(1 + B n^2) with f1 = fundamentalHz, decaying 1 + 0.15 (n - 1)
// times faster than the first; noise alone before the onset.
struct Pluck {
    double fundamentalHz = 100;
    double rate = 22050;             // samples per second the card really takes
    std::vector<double> amplitudes;  // of partials 1, 2, ...
    std::vector<double> phases;
    double inharmonicity = 0;
    double decaySeconds = 0.3;
    double onsetSeconds = 0;
    double peakSteps = 100;        // largest excursion from 128 before the noise
    double noiseBelowPeakDb = 20;  // white noise RMS; <= 0: none
};

// Fundamental weak (0 .. 0.3, a third of the time missing), partials 2 to 9 at 0.3 .. 1,
// B up to 1e-4, decay 80 to 500 ms, onset within 100 ms, peak 40 to 110 steps.
Pluck randomBelt(Random& random, double fundamentalHz, double rate);

std::vector<uint8_t> render(const Pluck& p, Random& random, size_t samples = kClipSamples);

std::vector<uint8_t> pureTone(double hz, double rate, double peakSteps = 100,
                              size_t samples = kClipSamples);

// Steps from the 128 line rounded and clipped to the card's bytes.
std::vector<uint8_t> quantise(const std::vector<double>& steps);
double rms(const std::vector<double>& v, size_t from = 0);

// White Gaussian noise of `rmsSteps`, or exact silence for 0.
std::vector<uint8_t> noise(Random& random, double rmsSteps, size_t samples = kClipSamples);

// A stiff belt plucked at one point of its span and heard at another: partial n has the
// amplitude sin(n pi pluckAt) sin(n pi micAt) n^(tilt - 2) through a second-order
// high-pass at micCornerHz and decays (1 + decayGrowth (n - 1)) times faster than the
// first mode; pink noise and mains hum at snrDb below the signal.
struct StiffPluck {
    double firstModeHz = 100;
    double inharmonicity = 0;
    double rate = 22050;
    double pluckAt = 0.2, micAt = 0.1;  // share of the span
    double tilt = 1;
    double micCornerHz = 20;
    double decaySeconds = 0.4;
    double decayGrowth = 0.2;
    double onsetSeconds = 0;
    double peakSteps = 80;
    double snrDb = 20;
    double humShare = 0.3;  // of the disturbance's power
    double mainsHz = 50;
    size_t samples = kClipSamples;
};

// Clips a belt needs: three below 20 Hz, two below 40.
size_t clipsFor(double firstModeHz);

std::vector<uint8_t> render(const StiffPluck& p, Random& random);

}  // namespace vellora::synth
