// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/pitch_synth.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vellora::synth {

namespace {
constexpr int kBeltPartials = 9;
constexpr double kTau = 2 * std::numbers::pi;

uint8_t toStep(double v) { return uint8_t(std::clamp(std::lround(128 + v), 0L, 255L)); }

double peakOf(const std::vector<double>& v) {
    double peak = 0;
    for (const double x : v) peak = std::max(peak, std::abs(x));
    return peak;
}

double partialHz(double f1, double b, int n) {
    return n * f1 * std::sqrt((1 + b * n * n) / (1 + b));
}

// Paul Kellet's economy filter: white noise to -3 dB per octave within 0.5 dB.
class PinkFilter {
  public:
    double operator()(double white) {
        b0_ = 0.99765 * b0_ + white * 0.0990460;
        b1_ = 0.96300 * b1_ + white * 0.2965164;
        b2_ = 0.57000 * b2_ + white * 1.0526913;
        return b0_ + b1_ + b2_ + white * 0.1848;
    }

  private:
    double b0_ = 0, b1_ = 0, b2_ = 0;
};

}  // namespace

double Random::uniform(double lo, double hi) {
    const double u = double(gen_() >> 5) / double(1u << 27);  // 27 bits in [0, 1)
    return lo + (hi - lo) * u;
}

double Random::logUniform(double lo, double hi) {
    return std::exp(uniform(std::log(lo), std::log(hi)));
}

double Random::normal() {
    const double u1 = uniform(1e-12, 1.0);
    const double u2 = uniform(0.0, 1.0);
    return std::sqrt(-2 * std::log(u1)) * std::cos(kTau * u2);
}

Pluck randomBelt(Random& random, double fundamentalHz, double rate) {
    Pluck p;
    p.fundamentalHz = fundamentalHz;
    p.rate = rate;
    p.amplitudes.resize(kBeltPartials);
    p.phases.resize(kBeltPartials);
    p.amplitudes[0] = random.uniform(0, 1) < 1.0 / 3 ? 0.0 : random.uniform(0, 0.3);
    for (int n = 2; n <= kBeltPartials; ++n) p.amplitudes[n - 1] = random.uniform(0.3, 1.0);
    for (double& phase : p.phases) phase = random.uniform(0, kTau);
    p.inharmonicity = random.uniform(0, 1e-4);
    p.decaySeconds = random.logUniform(0.08, 0.5);
    p.onsetSeconds = random.uniform(0, 0.1);
    p.peakSteps = random.uniform(40, 110);
    return p;
}

std::vector<uint8_t> render(const Pluck& p, Random& random, size_t samples) {
    std::vector<double> s(samples, 0.0);
    for (size_t n = 1; n <= p.amplitudes.size(); ++n) {
        const double a = p.amplitudes[n - 1];
        if (a == 0) continue;
        const double w = kTau * partialHz(p.fundamentalHz, p.inharmonicity, int(n));
        const double decay = (1 + 0.15 * double(n - 1)) / p.decaySeconds;
        for (size_t i = 0; i < samples; ++i) {
            const double t = double(i) / p.rate - p.onsetSeconds;
            if (t >= 0) s[i] += a * std::exp(-decay * t) * std::sin(w * t + p.phases[n - 1]);
        }
    }
    const double peak = peakOf(s);
    const double scale = peak > 0 ? p.peakSteps / peak : 0;
    const double noiseRms =
        p.noiseBelowPeakDb > 0 ? p.peakSteps * std::pow(10.0, -p.noiseBelowPeakDb / 20) : 0;
    for (double& v : s) v = v * scale + noiseRms * random.normal();
    return quantise(s);
}

std::vector<uint8_t> pureTone(double hz, double rate, double peakSteps, size_t samples) {
    std::vector<uint8_t> out(samples);
    for (size_t i = 0; i < samples; ++i)
        out[i] = toStep(peakSteps * std::sin(kTau * hz * double(i) / rate));
    return out;
}

std::vector<uint8_t> noise(Random& random, double rmsSteps, size_t samples) {
    std::vector<uint8_t> out(samples);
    for (uint8_t& v : out) v = toStep(rmsSteps * random.normal());
    return out;
}

std::vector<uint8_t> quantise(const std::vector<double>& v) {
    std::vector<uint8_t> out(v.size());
    for (size_t i = 0; i < v.size(); ++i) out[i] = toStep(v[i]);
    return out;
}

double rms(const std::vector<double>& v, size_t from) {
    double s = 0;
    for (size_t i = from; i < v.size(); ++i) s += v[i] * v[i];
    return v.size() > from ? std::sqrt(s / double(v.size() - from)) : 0;
}

size_t clipsFor(double firstModeHz) { return firstModeHz < 20 ? 3 : firstModeHz < 40 ? 2 : 1; }

std::vector<uint8_t> render(const StiffPluck& p, Random& random) {
    std::vector<double> s(p.samples, 0.0);
    const size_t start = size_t(p.onsetSeconds * p.rate);
    for (int n = 1; n <= 60; ++n) {
        const double hz = partialHz(p.firstModeHz, p.inharmonicity, n);
        if (hz > 0.45 * p.rate) break;
        const double q = hz / p.micCornerHz;
        const double a = std::sin(n * std::numbers::pi * p.pluckAt) *
                         std::sin(n * std::numbers::pi * p.micAt) * std::pow(n, p.tilt - 2) * q *
                         q / std::sqrt(1 + q * q * q * q);
        const double decay = (1 + p.decayGrowth * (n - 1)) / p.decaySeconds;
        const double phase = random.uniform(0, kTau);
        for (size_t i = start; i < s.size(); ++i) {
            const double t = double(i - start) / p.rate;
            s[i] += a * std::exp(-decay * t) * std::sin(kTau * hz * t + phase);
        }
    }
    const double peak = peakOf(s);
    if (peak > 0)
        for (double& v : s) v *= p.peakSteps / peak;
    const double disturbance = rms(s, start) * std::pow(10.0, -p.snrDb / 20);
    std::vector<double> pink(s.size()), hum(s.size());
    PinkFilter filter;
    for (double& v : pink) v = filter(random.normal());
    const double humPhase = random.uniform(0, kTau);
    for (size_t i = 0; i < hum.size(); ++i) {
        const double t = double(i) / p.rate;
        hum[i] = std::sin(kTau * p.mainsHz * t + humPhase) +
                 0.3 * std::sin(kTau * 2 * p.mainsHz * t) +
                 0.2 * std::sin(kTau * 3 * p.mainsHz * t);
    }
    const double pinkGain = disturbance * std::sqrt(1 - p.humShare) / std::max(rms(pink), 1e-12);
    const double humGain = disturbance * std::sqrt(p.humShare) / std::max(rms(hum), 1e-12);
    for (size_t i = 0; i < s.size(); ++i) s[i] += pinkGain * pink[i] + humGain * hum[i];
    return quantise(s);
}

}  // namespace vellora::synth
