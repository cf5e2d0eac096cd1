// vellora-analyze FILE.wav...: the reading the meter would give for saved recordings.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "pitch/pitch_estimator.h"
#include "pitch/pitch_samples.h"
#include "tools/recording_analysis.h"

namespace {

void usage(FILE* to) {
    std::fprintf(to,
                 "usage: vellora-analyze [--step HZ] [--bins N] [--precise] FILE.wav...\n"
                 "  prints: file <TAB> strongest bin <TAB> read-out\n"
                 "  --step HZ  hertz per spectrum bin (default 5.4171)\n"
                 "  --bins N   last bin searched, 3 to 2048 (default 1024)\n"
                 "  --precise  adds a column: the precise fundamental in Hz, \"-\" for no\n"
                 "             clear pitch (the card's rate is taken as 4096 times the step)\n");
}

bool parseNumber(const char* text, double& out) {
    char* end = nullptr;
    out = std::strtod(text, &end);
    return end != text && *end == '\0' && std::isfinite(out);
}

// Prints the read-out of one file; 1 when it could not be read.
int analyseOne(const std::string& file, const vellora::AnalysisOptions& options, bool precise,
               vellora::PitchEstimator& estimator) {
    const vellora::AnalysisResult r = vellora::analyseRecordingFile(file, options);
    if (!r.ok) {
        std::fprintf(stderr, "vellora-analyze: %s: %s\n", file.c_str(), r.error.c_str());
        return 1;
    }
    if (!precise) {
        std::printf("%s\t%d\t%s\n", file.c_str(), r.bin, r.readout.c_str());
        return 0;
    }
    const auto pitch =
        estimator.estimate(vellora::readRecordingSamples(file), options.pasFrequence);
    std::printf("%s\t%d\t%s\t", file.c_str(), r.bin, r.readout.c_str());
    if (pitch)
        std::printf("%.2f\n", pitch->hz);
    else
        std::printf("-\n");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    vellora::AnalysisOptions options;
    std::vector<std::string> files;
    bool precise = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        double value = 0;
        if (arg == "--help" || arg == "-h") {
            usage(stdout);
            return 0;
        } else if (arg == "--precise") {
            precise = true;
        } else if (arg == "--step" || arg == "--bins") {
            if (i + 1 >= argc || !parseNumber(argv[i + 1], value)) {
                std::fprintf(stderr, "vellora-analyze: %s needs a number\n", arg.c_str());
                return 2;
            }
            ++i;
            if (arg == "--step") {
                if (value <= 0 || value > 1e6) {
                    std::fprintf(stderr, "vellora-analyze: --step must be a positive number of hertz\n");
                    return 2;
                }
                options.pasFrequence = static_cast<float>(value);
            } else {
                if (value != std::floor(value) || value < 3 || value > 2048) {
                    std::fprintf(stderr, "vellora-analyze: --bins must be a whole number from 3 to 2048\n");
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

    vellora::PitchEstimator estimator;
    int status = 0;
    for (const std::string& file : files) {
        // One file that cannot be analysed (out of memory, a damaged header) must not
        // cost the read-outs of the files after it.
        try {
            status |= analyseOne(file, options, precise, estimator);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "vellora-analyze: %s: %s\n", file.c_str(), e.what());
            status = 1;
        }
    }
    return status;
}
