// SPDX-License-Identifier: GPL-3.0-or-later
// pitch_eval SET [COUNT] [WAVDIR]: the precise estimator's figures on one material set
// (pitch_material.h), and with WAVDIR each case as an 8-bit WAVE file plus truth.tsv and
// ours.tsv, for compare_aubio.sh.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "pitch/pitch_estimator.h"
#include "pitch_material.h"
#include "wave/recorder_wave.h"

namespace {

void putWave(const std::filesystem::path& path, const std::vector<uint8_t>& samples,
             uint32_t rate) {
    const std::vector<uint8_t> file = vellora::pcmWaveFile(samples, rate);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: pitch_eval SET [COUNT] [WAVDIR]\n");
        return 2;
    }
    const std::string set = argv[1];
    const int count = argc > 2 ? std::atoi(argv[2]) : 1000;
    const std::filesystem::path dir = argc > 3 ? argv[3] : "";
    const auto cases = vellora::material::makeSet(set, count);
    std::ofstream truth, ours;
    if (!dir.empty()) {
        std::filesystem::create_directories(dir);
        truth.open(dir / "truth.tsv");
        ours.open(dir / "ours.tsv");
    }
    vellora::PitchEstimator estimator;
    int pitched = 0, within = 0, within1 = 0, wrong = 0, silent = 0, refused = 0;
    int low = 0, lowWithin = 0, stiff = 0, bWithin = 0, tones = 0, toneWithin = 0;
    const int only = std::getenv("ONLY") ? std::atoi(std::getenv("ONLY")) : -1;
    for (size_t i = 0; i < cases.size(); ++i) {
        if (only >= 0 && int(i) != only) continue;
        const auto& c = cases[i];
        const auto e = estimator.estimateAtRate(c.samples, c.rate);
        if (!dir.empty()) {
            char name[32];
            std::snprintf(name, sizeof name, "%s%05zu.wav", set.c_str(), i);
            putWave(dir / name, c.samples, uint32_t(std::lround(c.rate)));
            truth << name << '\t' << c.kind << '\t' << c.f1 << '\t' << c.b << '\n';
            ours << name << '\t';
            if (e)
                ours << e->hz << '\t' << e->inharmonicity << '\n';
            else
                ours << "-\t-\n";
        }
        if (c.f1 == 0) {
            refused += !e;
            if (e && std::getenv("VERBOSE"))
                std::printf("  pitch in %s %zu: %.2f B %.4f\n", c.kind.c_str(), i, e->hz,
                            e->inharmonicity);
            continue;
        }
        const double err = e ? std::abs(e->hz / c.f1 - 1) : INFINITY;
        if (c.kind == "tone") {
            if (std::getenv("VERBOSE") && err > 0.0005)
                std::printf("  tone %zu: %.3f read %.4f\n", i, c.f1, e ? e->hz : 0.0);
            ++tones;
            toneWithin += err <= 0.0005;
            continue;
        }
        ++pitched;
        within += err <= 0.005;
        within1 += err <= 0.01;
        silent += !e;
        if (e && err > 0.02) {
            ++wrong;
            if (std::getenv("VERBOSE"))
                std::printf("  wrong %zu: f1 %.2f B %.4f read %.2f B %.4f (%d partials)\n", i, c.f1,
                            c.b, e->hz, e->inharmonicity, e->partials);
        } else if (std::getenv("VERBOSE") && (err > 0.005))
            std::printf("  miss %zu: f1 %.2f B %.4f read %s\n", i, c.f1, c.b,
                        e ? std::to_string(e->hz).c_str() : "-");
        if (c.f1 < 20) {
            ++low;
            lowWithin += err <= 0.01;
        }
        if (c.b >= 0.002) {
            ++stiff;
            bWithin += e && err <= 0.005 && std::abs(e->inharmonicity / c.b - 1) <= 0.2;
        }
    }
    const auto pct = [](int a, int b) { return b ? 100.0 * a / b : 0.0; };
    std::printf("%-8s", set.c_str());
    if (pitched)
        std::printf(
            " f1 within 0.5 %%: %d/%d (%.1f %%)  within 1 %%: %.1f %%  no pitch: %d  wrong (>2 "
            "%%): %d",
            within, pitched, pct(within, pitched), pct(within1, pitched), silent, wrong);
    if (low) std::printf("  <20 Hz within 1 %%: %d/%d", lowWithin, low);
    if (stiff)
        std::printf("  B within 20 %% (B>=0.002): %d/%d (%.1f %%)", bWithin, stiff,
                    pct(bWithin, stiff));
    if (tones) std::printf("  tones within 0.05 %%: %d/%d", toneWithin, tones);
    if (refused || cases.size() > size_t(pitched + tones))
        std::printf(" no pitch where none: %d/%d", refused, int(cases.size()) - pitched - tones);
    std::printf("\n");
    return 0;
}
