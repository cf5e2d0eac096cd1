// SPDX-License-Identifier: GPL-3.0-or-later
// The precise estimator's CPU time per call over a whole material set: the benchmarks
// time a few chosen recordings; this shows the spread (median, p95, the slowest) that a
// cycle's budget must hold for every pluck.
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "pitch/pitch_estimator.h"
#include "pitch_material.h"

namespace {
double cpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: pitch_cost SET [COUNT]   e.g. pitch_cost w-damped 1000\n");
        return 2;
    }
    const std::string set = argv[1];
    const auto cases = vellora::material::makeSet(set, argc > 2 ? std::stoi(argv[2]) : 200);
    vellora::PitchEstimator estimator;
    std::vector<std::pair<double, size_t>> times;
    for (size_t i = 0; i < cases.size(); ++i) {
        // The least of three calls: the call's own cost, not the machine's other work.
        double least = 1e9;
        for (int r = 0; r < 3; ++r) {
            const double start = cpuMs();
            (void)estimator.estimateAtRate(cases[i].samples, cases[i].rate);
            least = std::min(least, cpuMs() - start);
        }
        times.emplace_back(least, i);
    }
    if (times.empty()) return 1;
    std::sort(times.begin(), times.end());
    double sum = 0;
    for (const auto& t : times) sum += t.first;
    const auto at = [&](double share) { return times[size_t(share * double(times.size() - 1))]; };
    std::printf(
        "%s, %zu recordings, CPU ms per call: mean %.2f  median %.2f  p95 %.2f  p99 %.2f"
        "  max %.2f (recording %zu)\n",
        set.c_str(), times.size(), sum / double(times.size()), at(0.5).first, at(0.95).first,
        at(0.99).first, times.back().first, times.back().second);
    return 0;
}
