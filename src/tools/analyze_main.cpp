// SPDX-License-Identifier: GPL-3.0-or-later
// vellora-analyze FILE...: the reading the meter would give for saved recordings.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/version.h"
#include "pitch/pitch_estimator.h"
#include "tools/recording_analysis.h"

namespace {

void usage(FILE* to) {
    std::fprintf(
        to,
        "usage: vellora-analyze [--step HZ] [--bins N] [--precise] FILE...\n"
        "       vellora-analyze --help | --version\n"
        "The reading the meter would give for each recording, one line per FILE:\n"
        "  FILE <TAB> BIN <TAB> READ-OUT [<TAB> PRECISE <TAB> B]\n"
        "  BIN       the strongest bin of the 4096-point spectrum, 3 to N\n"
        "  READ-OUT  its frequency as the meter shows it: BIN times the step, in whole hertz\n"
        "  PRECISE   with --precise: the belt's frequency (its first mode) in hertz to 0.01,\n"
        "            \"-\" for no clear pitch\n"
        "  B         with --precise: the stiffness B of its partials n f0 sqrt(1 + B n^2), \"-\"\n"
        "            for no clear pitch\n"
        "FILE is the meter's own clip (WAVE, 8-bit mono, 22050 per second) or any sound\n"
        "file libsndfile reads (WAV, FLAC, Ogg ...). Any other file is mixed to mono and\n"
        "made into the clip the meter would have recorded (its card taking 4096 times the\n"
        "step samples per second) for BIN and READ-OUT; PRECISE then uses the file's own\n"
        "full-quality sound at the rate it states. Only the first seconds are read.\n"
        "  --step HZ  hertz per spectrum bin, the calibrated scale (default 5.4171)\n"
        "  --bins N   last bin searched, 3 to 2048 (default 1024)\n"
        "  --precise  adds PRECISE and B (for the meter's clip the card's rate is 4096 times the\n"
        "             step)\n"
        "Exit status: 0; 1 when a file could not be read or decoded (the others are still\n"
        "analysed); 2 for a wrong command line.\n");
}

bool parseNumber(const char* text, double& out) {
    char* end = nullptr;
    out = std::strtod(text, &end);
    return end != text && *end == '\0' && std::isfinite(out);
}

// One file's analysis, or why it failed beyond what the result can say.
struct Outcome {
    vellora::AnalysisResult result;
    std::string exception;
};

// Prints the read-out of one file; 1 when it could not be read.
int printOne(const std::string& file, const vellora::AnalysisOptions& options,
             const Outcome& outcome) {
    // One file that cannot be analysed (out of memory, a damaged header) must not
    // cost the read-outs of the files after it.
    if (!outcome.exception.empty()) {
        std::fprintf(stderr, "vellora-analyze: %s: %s\n", file.c_str(), outcome.exception.c_str());
        return 1;
    }
    const vellora::AnalysisResult& r = outcome.result;
    if (!r.status) {
        std::fprintf(stderr, "vellora-analyze: %s: %s\n", file.c_str(), r.status.message().c_str());
        return 1;
    }
    std::printf("%s\t%d\t%s", file.c_str(), r.bin, r.readout.c_str());
    if (options.precise) {
        if (r.preciseHz)
            std::printf("\t%.2f\t%.4f", *r.preciseHz, r.preciseB);
        else
            std::printf("\t-\t-");
    }
    std::printf("\n");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    vellora::AnalysisOptions options;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        double value = 0;
        if (arg == "--help" || arg == "-h") {
            usage(stdout);
            return 0;
        } else if (arg == "--version") {
            std::printf("vellora-analyze %s\n", vellora::kVersion);
            return 0;
        } else if (arg == "--precise") {
            options.precise = true;
        } else if (arg == "--step" || arg == "--bins") {
            if (i + 1 >= argc || !parseNumber(argv[i + 1], value)) {
                std::fprintf(stderr, "vellora-analyze: %s needs a number\n", arg.c_str());
                return 2;
            }
            ++i;
            if (arg == "--step") {
                if (value <= 0 || value > 1e6) {
                    std::fprintf(stderr,
                                 "vellora-analyze: --step must be a positive number of hertz\n");
                    return 2;
                }
                options.pasFrequence = static_cast<float>(value);
            } else {
                if (value != std::floor(value) || value < 3 || value > 2048) {
                    std::fprintf(stderr,
                                 "vellora-analyze: --bins must be a whole number from 3 to 2048\n");
                    return 2;
                }
                options.bins = static_cast<int16_t>(value);
            }
        } else if (arg.size() > 1 && arg[0] == '-' && arg != "--") {
            std::fprintf(stderr, "vellora-analyze: unknown option %s\n", arg.c_str());
            usage(stderr);
            return 2;
        } else if (arg == "--") {
            for (++i; i < argc; ++i) files.emplace_back(argv[i]);
        } else {
            files.push_back(arg);
        }
    }
    if (files.empty()) {
        usage(stderr);
        return 2;
    }

    // The files are shared out over the cores, each worker keeping one estimator for all
    // its files; the lines come out in the order of the command line, each as soon as it
    // and those before it are done.
    std::vector<Outcome> outcomes(files.size());
    std::vector<char> done(files.size(), 0);
    std::mutex mutex;
    std::condition_variable finished;
    std::atomic<size_t> next{0};
    const auto work = [&] {
        vellora::PitchEstimator estimator;
        for (size_t k; (k = next++) < files.size();) {
            Outcome o;
            try {
                o.result = vellora::analyseRecordingFile(files[k], options, &estimator);
            } catch (const std::exception& e) {
                o.exception = e.what();
            }
            std::lock_guard lock(mutex);
            outcomes[k] = std::move(o);
            done[k] = 1;
            finished.notify_one();
        }
    };
    const size_t cores = std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::jthread> workers;
    for (size_t w = 0; w < std::min(cores, files.size()); ++w) workers.emplace_back(work);

    int status = 0;
    for (size_t k = 0; k < files.size(); ++k) {
        Outcome o;
        {
            std::unique_lock lock(mutex);
            finished.wait(lock, [&] { return done[k] != 0; });
            o = std::move(outcomes[k]);
        }
        status |= printOne(files[k], options, o);
    }
    return status;
}
