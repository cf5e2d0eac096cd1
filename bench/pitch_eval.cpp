// SPDX-License-Identifier: GPL-3.0-or-later
// pitch_eval SET [COUNT] [WAVDIR]: the precise estimator's figures on one material set
// (pitch_material.h), and with WAVDIR each case as an 8-bit WAVE file plus truth.tsv and
// ours.tsv, for compare_aubio.sh. SET "workshop": every workshop condition, a line each.
// pitch_eval files DIR: the 8-bit WAVE files DIR/truth.tsv names (file, condition, first
// mode or 0; pitch_independent.py writes them), a line a condition, and DIR/ours.tsv
// (file, reading and B, or "-" and why it was refused).
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "pitch/pitch_estimator.h"
#include "pitch/pitch_samples.h"
#include "pitch_material.h"
#include "pitch_workshop.h"
#include "wave/recorder_wave.h"

namespace {

void putWave(const std::filesystem::path& path, const std::vector<uint8_t>& samples,
             uint32_t rate) {
    const std::vector<uint8_t> file = vellora::pcmWaveFile(samples, rate);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
}

const char* refusalName(vellora::PitchRefusal refusal) {
    using R = vellora::PitchRefusal;
    switch (refusal) {
        case R::None:
            return "read";
        case R::NoSound:
            return "no sound";
        case R::RingsTooBriefly:
            return "rings too briefly";
        case R::NotDecaying:
            return "not decaying";
        case R::NoSeries:
            return "no series";
        case R::Doubtful:
            return "doubtful";
        case R::TwoBelts:
            return "two belts";
        case R::Unsteady:
            return "unsteady";
        case R::Mains:
            return "mains";
        case R::OutOfRange:
            return "out of range";
        default:
            return "other";
    }
}

// One set's figures. Belts: right (within 0.5 %; 1 % below 20 Hz), near (within 2 %),
// refused, wrong (more than 2 % off: the figure that matters most). Sounds that are no
// belt: refused or wrong. Tones (legacy): within 0.05 %.
// With `readings`, only the readings are written there, named as `dir` would name them.
void evaluate(const std::string& set, const std::vector<vellora::synth::Case>& cases,
              const std::filesystem::path& dir, std::ofstream* readings = nullptr) {
    std::ofstream truth, ours;
    if (!dir.empty()) {
        std::filesystem::create_directories(dir);
        truth.open(dir / "truth.tsv");
        ours.open(dir / "ours.tsv");
    }
    vellora::PitchEstimator estimator;
    vellora::PitchEstimator toneEstimator(
        vellora::PitchOptions{.discountMains = false, .readSteadyTones = true});
    int pitched = 0, right = 0, near = 0, wrong = 0, refused = 0, none = 0, noneRefused = 0;
    int reasons[int(vellora::PitchRefusal::OutOfRange) + 1] = {};
    int stiff = 0, bWithin = 0, tones = 0, toneWithin = 0;
    const bool verbose = std::getenv("VERBOSE") != nullptr;
    const int only = std::getenv("ONLY") ? std::atoi(std::getenv("ONLY")) : -1;
    for (size_t i = 0; i < cases.size(); ++i) {
        if (only >= 0 && int(i) != only) continue;
        const auto& c = cases[i];
        auto& used = c.kind == "tone" ? toneEstimator : estimator;
        const auto e = used.estimateAtRate(c.samples, c.rate);
        if (!dir.empty() || readings) {
            char name[48];
            std::snprintf(name, sizeof name, "%s%05zu.wav", set.c_str(), i);
            if (!readings) {
                putWave(dir / name, c.samples, uint32_t(std::lround(c.rate)));
                truth << name << '\t' << c.kind << '\t' << c.f1 << '\t' << c.b << '\n';
            }
            std::ostream& out = readings ? *readings : ours;
            out << name << '\t';
            if (e)
                out << e->hz << '\t' << e->inharmonicity << '\n';
            else
                out << "-\t" << refusalName(used.lastRefusal()) << '\n';
        }
        if (c.f1 == 0) {
            ++none;
            noneRefused += !e;
            if (e && verbose)
                std::printf("  pitch in %s %zu: %.2f B %.4f\n", c.kind.c_str(), i, e->hz,
                            e->inharmonicity);
            continue;
        }
        const double err = e ? std::abs(e->hz / c.f1 - 1) : INFINITY;
        if (c.kind == "tone") {
            if (verbose && err > 0.0005)
                std::printf("  tone %zu: %.3f read %.4f\n", i, c.f1, e ? e->hz : 0.0);
            ++tones;
            toneWithin += err <= 0.0005;
            continue;
        }
        ++pitched;
        const double tolerance = c.f1 < 20 ? 0.01 : 0.005;
        if (!e)
            ++refused, ++reasons[int(estimator.lastRefusal())];
        else if (err <= tolerance)
            ++right;
        else if (err <= 0.02)
            ++near;
        else
            ++wrong;
        if (verbose && (!e || err > tolerance))
            std::printf("  %s %zu: f1 %.2f B %.4f read %.2f B %.4f (%d partials)%s%s\n",
                        !e           ? "refused"
                        : err > 0.02 ? "WRONG"
                                     : "near",
                        i, c.f1, c.b, e ? e->hz : 0.0, e ? e->inharmonicity : 0.0,
                        e ? e->partials : 0, e ? "" : ": ",
                        e ? "" : refusalName(estimator.lastRefusal()));
        if (c.b >= 0.002) {
            ++stiff;
            bWithin += e && err <= 0.005 && std::abs(e->inharmonicity / c.b - 1) <= 0.2;
        }
    }
    const auto pct = [](int a, int b) { return b ? 100.0 * a / b : 0.0; };
    std::printf("%-12s", set.c_str());
    if (pitched)
        std::printf(" right %4d  near %3d  refused %3d  wrong %3d  of %d  (right %.1f %% of read)",
                    right, near, refused, wrong, pitched, pct(right, right + near + wrong));
    if (stiff) std::printf("  B within 20 %%: %d/%d", bWithin, stiff);
    if (tones) std::printf("  tones within 0.05 %%: %d/%d", toneWithin, tones);
    if (verbose && refused) {
        std::printf("\n  refused for (by PitchRefusal):");
        for (const int r : reasons) std::printf(" %d", r);
    }
    if (none)
        std::printf(" no belt: refused %d  wrong %d  of %d", noneRefused, none - noneRefused, none);
    std::printf("\n");
}

// The cases truth.tsv in `dir` lists, by condition in the order first met.
std::vector<std::pair<std::string, std::vector<vellora::synth::Case>>> readFiles(
    const std::filesystem::path& dir) {
    std::vector<std::pair<std::string, std::vector<vellora::synth::Case>>> sets;
    std::ifstream truth(dir / "truth.tsv");
    std::string line;
    while (std::getline(truth, line)) {
        std::istringstream fields(line);
        std::string file, condition;
        double f1 = 0;
        if (!std::getline(fields, file, '\t') || !std::getline(fields, condition, '\t') ||
            !(fields >> f1))
            continue;
        std::ifstream in(dir / file, std::ios::binary);
        const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                         std::istreambuf_iterator<char>());
        if (bytes.size() < 44) continue;
        const uint32_t rate = uint32_t(bytes[24]) | uint32_t(bytes[25]) << 8 |
                              uint32_t(bytes[26]) << 16 | uint32_t(bytes[27]) << 24;
        if (sets.empty() || sets.back().first != condition) sets.push_back({condition, {}});
        sets.back().second.push_back(
            {vellora::recordingSamples(bytes), double(rate), f1, 0, condition});
    }
    return sets;
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
    if (set == "files") {
        if (argc < 3) return 2;
        std::ofstream readings(std::filesystem::path(argv[2]) / "ours.tsv");
        for (const auto& [condition, cases] : readFiles(argv[2]))
            evaluate(condition, cases, "", &readings);
    } else if (set == "workshop") {
        for (const std::string& c : vellora::workshop::conditions())
            evaluate("w-" + c, vellora::material::makeSet("w-" + c, count), "");
    } else {
        evaluate(set, vellora::material::makeSet(set, count), dir);
    }
    return 0;
}
