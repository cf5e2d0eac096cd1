#include "support/pitch_synth.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vellora::synth {

namespace {
constexpr int kBeltPartials = 9;

uint8_t toStep(double v) { return uint8_t(std::clamp(std::lround(128 + v), 0L, 255L)); }
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
    return std::sqrt(-2 * std::log(u1)) * std::cos(2 * std::numbers::pi * u2);
}

double partialHz(const Pluck& p, int n) {
    const double b = p.inharmonicity;
    return n * p.fundamentalHz * std::sqrt((1 + b * n * n) / (1 + b));
}

Pluck randomBelt(Random& random, double fundamentalHz, double rate) {
    Pluck p;
    p.fundamentalHz = fundamentalHz;
    p.rate = rate;
    p.amplitudes.resize(kBeltPartials);
    p.phases.resize(kBeltPartials);
    p.amplitudes[0] = random.uniform(0, 1) < 1.0 / 3 ? 0.0 : random.uniform(0, 0.3);
    for (int n = 2; n <= kBeltPartials; ++n) p.amplitudes[n - 1] = random.uniform(0.3, 1.0);
    for (double& phase : p.phases) phase = random.uniform(0, 2 * std::numbers::pi);
    p.inharmonicity = random.uniform(0, 1e-4);
    p.decaySeconds = random.logUniform(0.08, 0.5);
    p.onsetSeconds = random.uniform(0, 0.1);
    p.peakSteps = random.uniform(40, 110);
    return p;
}

std::vector<double> renderSteps(const Pluck& p, Random& random, size_t samples) {
    std::vector<double> s(samples, 0.0);
    for (size_t n = 1; n <= p.amplitudes.size(); ++n) {
        const double a = p.amplitudes[n - 1];
        if (a == 0) continue;
        const double w = 2 * std::numbers::pi * partialHz(p, int(n));
        const double decay = (1 + 0.15 * double(n - 1)) / p.decaySeconds;
        for (size_t i = 0; i < samples; ++i) {
            const double t = double(i) / p.rate - p.onsetSeconds;
            if (t >= 0) s[i] += a * std::exp(-decay * t) * std::sin(w * t + p.phases[n - 1]);
        }
    }
    double peak = 0;
    for (const double v : s) peak = std::max(peak, std::abs(v));
    const double scale = peak > 0 ? p.peakSteps / peak : 0;
    const double noiseRms =
        p.noiseBelowPeakDb > 0 ? p.peakSteps * std::pow(10.0, -p.noiseBelowPeakDb / 20) : 0;
    for (double& v : s) v = v * scale + noiseRms * random.normal();
    return s;
}

std::vector<uint8_t> render(const Pluck& p, Random& random, size_t samples) {
    const std::vector<double> s = renderSteps(p, random, samples);
    std::vector<uint8_t> out(samples);
    for (size_t i = 0; i < samples; ++i) out[i] = toStep(s[i]);
    return out;
}

std::vector<uint8_t> pureTone(double hz, double rate, double peakSteps, size_t samples) {
    std::vector<uint8_t> out(samples);
    for (size_t i = 0; i < samples; ++i)
        out[i] = toStep(peakSteps * std::sin(2 * std::numbers::pi * hz * double(i) / rate));
    return out;
}

std::vector<uint8_t> noise(Random& random, double rmsSteps, size_t samples) {
    std::vector<uint8_t> out(samples);
    for (uint8_t& v : out) v = toStep(rmsSteps * random.normal());
    return out;
}

}  // namespace vellora::synth
