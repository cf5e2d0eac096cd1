// SPDX-License-Identifier: GPL-3.0-or-later
#include "pitch_material.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

#include "pitch/pitch_estimator.h"
#include "pitch_field.h"
#include "pitch_workshop.h"
#include "support/pitch_synth.h"

namespace vellora::synth {

namespace {
constexpr double kTau = 2 * std::numbers::pi;

// Two-pole resonator, unit gain at its centre.
std::vector<double> resonate(const std::vector<double>& in, double hz, double bandwidthHz,
                             double rate) {
    const double r = std::exp(-std::numbers::pi * bandwidthHz / rate);
    const double c = 2 * r * std::cos(kTau * hz / rate);
    std::vector<double> out(in.size());
    double y1 = 0, y2 = 0;
    for (size_t i = 0; i < in.size(); ++i) {
        out[i] = (1 - r) * in[i] + c * y1 - r * r * y2;
        y2 = y1;
        y1 = out[i];
    }
    return out;
}

}  // namespace

std::vector<uint8_t> mainsHum(Random& random, double mainsHz, double rmsSteps, size_t samples) {
    std::vector<double> s(samples);
    const double a2 = random.uniform(0, 0.5), a3 = random.uniform(0, 0.4);
    const double phase = random.uniform(0, kTau);
    for (size_t i = 0; i < samples; ++i) {
        const double t = double(i) / 22050;
        s[i] = std::sin(kTau * mainsHz * t + phase) + a2 * std::sin(kTau * 2 * mainsHz * t) +
               a3 * std::sin(kTau * 3 * mainsHz * t);
    }
    const double gain = rmsSteps / rms(s);
    for (double& v : s) v = v * gain + 0.5 * random.normal();
    return quantise(s);
}

std::vector<uint8_t> speechLike(Random& random, size_t samples) {
    constexpr double rate = 22050;
    std::vector<double> pulses(samples, 0.0);
    const double start = random.uniform(90, 240);
    const double glide = random.uniform(-0.25, 0.25);  // over the clip
    const double vibratoHz = random.uniform(3, 7);
    double phase = 0;
    for (size_t i = 0; i < samples; ++i) {
        const double t = double(i) / rate;
        const double f = start * (1 + glide * t / (double(samples) / rate)) *
                         (1 + 0.02 * std::sin(kTau * vibratoHz * t));
        phase += f / rate;
        if (phase >= 1) {
            phase -= 1;
            pulses[i] = 1 + 0.1 * random.normal();  // jitter in size
        }
    }
    std::vector<double> voice(samples, 0.0);
    const double formants[3] = {random.uniform(300, 800), random.uniform(900, 2200),
                                random.uniform(2300, 3200)};
    for (int k = 0; k < 3; ++k) {
        const auto r = resonate(pulses, formants[k], 80 + 40 * k, rate);
        for (size_t i = 0; i < samples; ++i) voice[i] += r[i] / (1 + k);
    }
    // Syllables of 120 .. 250 ms with gaps.
    const double syllable = random.uniform(0.12, 0.25);
    for (size_t i = 0; i < samples; ++i) {
        const double u = std::fmod(double(i) / rate, syllable) / syllable;
        voice[i] *= u < 0.8 ? std::sin(std::numbers::pi * u / 0.8) : 0.0;
    }
    const double gain = random.uniform(10, 40) / std::max(rms(voice), 1e-12);
    for (double& v : voice) v = v * gain + 0.7 * random.normal();
    return quantise(voice);
}

std::vector<uint8_t> doorSlam(Random& random, size_t samples) {
    constexpr double rate = 22050;
    std::vector<double> s(samples, 0.0);
    const size_t at = size_t(random.uniform(0, 0.2) * rate);
    const double thudHz = random.uniform(40, 150), thudTau = random.uniform(0.01, 0.02);
    const double burstTau = random.uniform(0.003, 0.01);
    for (size_t i = at; i < samples; ++i) {
        const double t = double(i - at) / rate;
        s[i] = random.normal() * std::exp(-t / burstTau) +
               1.5 * std::exp(-t / thudTau) * std::sin(kTau * thudHz * t);
    }
    double peak = 0;
    for (const double v : s) peak = std::max(peak, std::abs(v));
    const double gain = random.uniform(60, 120) / peak;
    for (double& v : s) v = v * gain + 0.7 * random.normal();
    return quantise(s);
}

}  // namespace vellora::synth

namespace vellora::material {

synth::StiffPluck randomStiffBelt(synth::Random& random, double firstModeHz, double inharmonicity,
                                  double rate) {
    synth::StiffPluck p;
    p.firstModeHz = firstModeHz;
    p.inharmonicity = inharmonicity;
    p.rate = rate;
    p.pluckAt = random.uniform(0.03, 0.5);
    p.micAt = random.uniform(0.02, 0.5);
    p.tilt = random.uniform(0.5, 2.0);
    p.micCornerHz = random.uniform(10, 40);
    p.decaySeconds = random.logUniform(0.15, 1.0);
    p.decayGrowth = random.uniform(0.05, 0.5);
    p.onsetSeconds = random.uniform(0, 0.12);
    p.peakSteps = random.uniform(40, 110);
    p.snrDb = random.uniform(12, 30);
    p.humShare = random.uniform(0, 0.6);
    p.mainsHz = random.uniform(0, 1) < 0.5 ? 50 : 60;
    p.samples = synth::clipsFor(firstModeHz) * synth::kClipSamples;
    return p;
}

namespace {
std::vector<Case> legacy() {
    std::vector<Case> cases;
    synth::Random random(20240611);
    for (int i = 0; i < 1000; ++i) {
        const double f = random.logUniform(40, 400);
        const double rate = cardRate(float(random.uniform(5.2, 5.65)));
        const synth::Pluck p = synth::randomBelt(random, f, rate);
        cases.push_back({synth::render(p, random), rate, f, 0, "pluck"});
    }
    for (const float pas : {4.8f, 5.4171f, 6.2f})
        for (double f = 40; f <= 400; f *= 1.071)
            cases.push_back({synth::pureTone(f, cardRate(pas)), cardRate(pas), f, 0, "tone"});
    return cases;
}

std::vector<Case> tuned(const std::string& set, int count) {
    std::vector<Case> cases;
    synth::Random random(set == "stiff" ? 17 : set == "range" ? 1017 : 2017);
    for (int i = 0; i < count; ++i) {
        if (set == "refuse") {
            const size_t clips = 1 + size_t(i % 3);
            const size_t n = clips * synth::kClipSamples;
            switch (i % 5) {
                case 0:
                    cases.push_back(
                        {synth::noise(random, random.uniform(0.5, 40), n), 22050, 0, 0, "white"});
                    break;
                case 1:
                    cases.push_back(
                        {synth::mainsHum(random, i % 2 ? 50 : 60, random.uniform(2, 40), n), 22050,
                         0, 0, "hum"});
                    break;
                case 2:
                    cases.push_back({synth::noise(random, 0, n), 22050, 0, 0, "silence"});
                    break;
                case 3:
                    cases.push_back({synth::speechLike(random, n), 22050, 0, 0, "speech"});
                    break;
                default:
                    cases.push_back({synth::doorSlam(random, n), 22050, 0, 0, "click"});
                    break;
            }
            continue;
        }
        const bool stiff = set == "stiff";
        const double f = stiff ? random.logUniform(40, 400) : random.logUniform(10, 1000);
        double b;
        if (stiff)
            b = random.uniform(0, 1) < 0.5 ? random.uniform(0, 0.02)
                                           : random.logUniform(1e-5, 0.02);
        else
            b = random.uniform(0, 0.002);
        const double rate = cardRate(float(random.uniform(5.3, 5.5)));
        const synth::StiffPluck p = randomStiffBelt(random, f, b, rate);
        cases.push_back({synth::render(p, random), rate, f, b, stiff ? "stiff" : "range"});
    }
    return cases;
}
}  // namespace

std::vector<Case> makeSet(const std::string& name, int count) {
    if (name == "legacy") return legacy();
    if (name.starts_with("w-")) return workshop::makeSet(name.substr(2), count);
    const std::string base = name.substr(0, name.size() - 1);
    if (name.back() == 'A') return tuned(base, count);
    if (name.back() == 'B') return field::makeSet(base, count);
    throw std::invalid_argument("unknown set " + name);
}

}  // namespace vellora::material
