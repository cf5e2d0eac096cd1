// SPDX-License-Identifier: GPL-3.0-or-later
// vellora-analyze FILE...: the reading the meter would give for saved recordings.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "common/version.h"
#include "pitch/pitch_estimator.h"
#include "tools/recording_analysis.h"

namespace {

constexpr const char* kName = "vellora-analyze";

void usage() {
    std::printf(
        "usage: vellora-analyze [--step HZ | --settings FILE] [--bins N] [--precise]\n"
        "                       [--header] FILE...\n"
        "       vellora-analyze --help | --version\n"
        "The reading the meter would give for each recording, one line per FILE, written\n"
        "as soon as that file is done:\n"
        "  FILE <TAB> BIN <TAB> READOUT [<TAB> PRECISE <TAB> B]\n"
        "  BIN       the strongest bin of the 4096-point spectrum, 3 to N\n"
        "  READOUT   its frequency as the meter shows it: BIN times the step, in whole\n"
        "            hertz, without the unit; \"-\" when the meter would show none\n"
        "  PRECISE   with --precise: the belt's frequency (its first mode) in hertz to\n"
        "            0.01, \"-\" for no clear pitch\n"
        "  B         with --precise: the stiffness B of its partials n f0 sqrt(1 + B n^2),\n"
        "            \"-\" for no clear pitch\n"
        "FILE is the meter's own clip (WAVE, 8-bit mono, 22050 per second) or any sound\n"
        "file libsndfile reads (WAV, FLAC, Ogg ...); \"-\" reads standard input. Any other\n"
        "file is mixed to mono and made into the clip the meter would have recorded (its\n"
        "card taking 4096 times the step samples per second) for BIN and READOUT; PRECISE\n"
        "then uses the file's own full-quality sound at the rate it states. Only the first\n"
        "seconds are read.\n"
        "Scale: by default the rate each file states is taken as true, so the step is\n"
        "22050 / 4096 = 5.3833 Hz per bin, the scale of an exactly calibrated card. A clip\n"
        "recorded by a meter whose card runs off its nominal rate is read on that meter's\n"
        "scale with --step or --settings.\n"
        "  --step HZ        hertz per spectrum bin, the meter's calibrated scale (an\n"
        "                   uncalibrated meter uses 5.4171)\n"
        "  --settings FILE  the scale stored in a settings file (Vellora.ini) by the\n"
        "                   calibration slider\n"
        "  --bins N         last bin searched, 3 to 2048 (default 1024)\n"
        "  --precise        adds PRECISE and B\n"
        "  --header         a first line naming the columns\n"
        "Exit status: 0; 1 when a file could not be read or decoded (the others are still\n"
        "analysed); 2 for a wrong command line or an unreadable --settings file.\n");
}

// One line for a wrong command line, as Unix tools do; exit status 2.
int usageError(const std::string& what) {
    std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", kName, what.c_str(),
                 kName);
    return 2;
}

bool parseNumber(const char* text, double& out) {
    char* end = nullptr;
    out = std::strtod(text, &end);
    return end != text && *end == '\0' && std::isfinite(out);
}

// Standard input copied to a temporary file, which the readers need to seek in. Only the
// start of a recording is analysed, so no more than kLargestInput is kept.
class StandardInputCopy {
  public:
    static constexpr std::size_t kLargestInput = std::size_t(64) << 20;

    StandardInputCopy() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vellora-analyze-XXXXXX");
        const int fd = ::mkstemp(pattern.data());
        if (fd < 0) {
            error_ = std::string("cannot make a temporary file: ") + std::strerror(errno);
            return;
        }
        path_ = pattern;
        std::vector<char> block(65536);
        std::size_t total = 0;
        while (total < kLargestInput) {
            const ssize_t n = ::read(STDIN_FILENO, block.data(), block.size());
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                error_ = std::string("cannot read standard input: ") + std::strerror(errno);
                break;
            }
            if (n == 0) break;
            if (!writeAll(fd, block.data(), std::size_t(n))) {
                error_ = std::string("cannot copy standard input: ") + std::strerror(errno);
                break;
            }
            total += std::size_t(n);
        }
        ::close(fd);
    }
    ~StandardInputCopy() {
        if (!path_.empty()) ::unlink(path_.c_str());
    }
    StandardInputCopy(const StandardInputCopy&) = delete;
    StandardInputCopy& operator=(const StandardInputCopy&) = delete;

    const std::string& path() const { return path_; }
    const std::string& error() const { return error_; }

  private:
    static bool writeAll(int fd, const char* data, std::size_t size) {
        while (size > 0) {
            const ssize_t n = ::write(fd, data, size);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            data += n;
            size -= std::size_t(n);
        }
        return true;
    }
    std::string path_, error_;
};

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
        std::fprintf(stderr, "%s: %s: %s\n", kName, file.c_str(), outcome.exception.c_str());
        return 1;
    }
    const vellora::AnalysisResult& r = outcome.result;
    if (!r.status) {
        std::fprintf(stderr, "%s: %s: %s\n", kName, file.c_str(), r.status.message().c_str());
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

int analyze(int argc, char** argv) {
    vellora::AnalysisOptions options;
    bool header = false;
    bool stepGiven = false;
    std::string settingsFile;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        double value = 0;
        if (arg == "--help" || arg == "-h") {
            usage();
            return 0;
        } else if (arg == "--version") {
            std::printf("vellora-analyze %s\n", vellora::kVersion);
            return 0;
        } else if (arg == "--precise") {
            options.precise = true;
        } else if (arg == "--header") {
            header = true;
        } else if (arg == "--settings") {
            if (i + 1 >= argc) return usageError("--settings needs a file");
            settingsFile = argv[++i];
        } else if (arg == "--step" || arg == "--bins") {
            if (i + 1 >= argc || !parseNumber(argv[i + 1], value))
                return usageError(arg + " needs a number");
            ++i;
            if (arg == "--step") {
                if (value <= 0 || value > 1e6)
                    return usageError("--step must be a positive number of hertz");
                options.pasFrequence = static_cast<float>(value);
                stepGiven = true;
            } else {
                if (value != std::floor(value) || value < 3 || value > 2048)
                    return usageError("--bins must be a whole number from 3 to 2048");
                options.bins = static_cast<int16_t>(value);
            }
        } else if (arg == "--") {
            for (++i; i < argc; ++i) files.emplace_back(argv[i]);
        } else if (arg.size() > 1 && arg[0] == '-') {
            return usageError("unknown option " + arg);
        } else {
            files.push_back(arg);
        }
    }
    if (files.empty()) return usageError("no FILE to analyse");
    if (stepGiven && !settingsFile.empty())
        return usageError("--step and --settings both give the scale: use one");
    if (!settingsFile.empty()) {
        const vellora::Status read =
            vellora::pasFrequenceFromSettings(settingsFile, options.pasFrequence);
        if (!read) {
            std::fprintf(stderr, "%s: %s: %s\n", kName, settingsFile.c_str(),
                         read.message().c_str());
            return 2;
        }
    }

    // Each line goes out whole as soon as its file is done, also into a pipe.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (header) std::printf("FILE\tBIN\tREADOUT%s\n", options.precise ? "\tPRECISE\tB" : "");

    // Standard input ("-") is read only when its turn comes: the files before it are
    // printed first, whoever writes into the pipe may be waiting for them.
    std::unique_ptr<StandardInputCopy> input;
    std::mutex inputMutex;
    const auto pathOf = [&](const std::string& file) -> std::string {
        if (file != "-") return file;
        std::lock_guard lock(inputMutex);
        if (!input) input = std::make_unique<StandardInputCopy>();
        if (!input->error().empty()) throw std::runtime_error(input->error());
        return input->path();
    };

    // The files are shared out over the cores, each worker keeping one estimator for all
    // its files; the lines come out in the order of the command line, each as soon as it
    // and those before it are done.
    std::vector<Outcome> outcomes(files.size());
    std::vector<char> done(files.size(), 0);
    std::mutex mutex;
    std::condition_variable finished, printed;
    size_t printedCount = 0;
    std::atomic<size_t> next{0};
    const auto work = [&] {
        vellora::PitchEstimator estimator;
        for (size_t k; (k = next++) < files.size();) {
            if (files[k] == "-") {
                std::unique_lock lock(mutex);
                printed.wait(lock, [&] { return printedCount == k; });
            }
            Outcome o;
            try {
                o.result = vellora::analyseRecordingFile(pathOf(files[k]), options, &estimator);
            } catch (const std::exception& e) {
                o.exception = e.what();
            }
            std::lock_guard lock(mutex);
            outcomes[k] = std::move(o);
            done[k] = 1;
            finished.notify_all();
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
        std::lock_guard lock(mutex);
        printedCount = k + 1;
        printed.notify_all();
    }
    return status;
}

}  // namespace

// What escapes (no memory, no thread to be had) ends the run with its cause, not an abort.
int main(int argc, char** argv) {
    try {
        return analyze(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", kName, e.what());
        return 2;
    }
}
