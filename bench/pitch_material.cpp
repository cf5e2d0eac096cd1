#include "pitch_material.h"

#include <stdexcept>

#include "pitch/pitch_estimator.h"
#include "pitch_field.h"
#include "support/pitch_synth.h"

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
    const std::string base = name.substr(0, name.size() - 1);
    if (name.back() == 'A') return tuned(base, count);
    if (name.back() == 'B') return field::makeSet(base, count);
    throw std::invalid_argument("unknown set " + name);
}

}  // namespace vellora::material
