// SPDX-License-Identifier: GPL-3.0-or-later
// Partial series of a stiff belt: f(n) = n f0 sqrt(1 + B n^2), first mode f1 = f0 sqrt(1 + B).
// Candidate series are seeded from the strongest spectral peaks (each peak taken as partial
// m, and each pair of peaks as partials m and n, which fixes f0 and B at once), matched
// against every peak and refined by a weighted least-squares fit of the model. A series
// scores the evidence of the peaks it explains (dB above threshold) less a fixed cost for
// each partial it predicts below its highest one that the spectrum does not show: a
// sub-harmonic explains the same peaks but predicts twice as many.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "pitch/pitch_spectrum.h"

namespace vellora {

struct SeriesPartial {
    int number = 0;     // 1 for the first mode
    double hz = 0;      // measured
    double weight = 0;  // of the peak
    double level = 0;
    size_t peak = 0;  // index into the peak list
};

struct SeriesFit {
    double f0 = 0;                        // Hz, the string without stiffness
    double b = 0;                         // inharmonicity B
    std::vector<SeriesPartial> partials;  // ascending number
    double explained = 0;                 // sum of the matched peaks' weights
    int missing = 0;    // predicted partials below the highest matched one, unseen
    double score = 0;   // explained - cost * missing
    double f1() const;  // first mode, Hz
};

struct SeriesLimits {
    double loHz = 10;  // first mode range searched
    double hiHz = 1000;
    double maxB = 0.06;
    double lowestPeakHz = 0;    // the peak list starts here: lower partials cannot be seen
    double resolutionHz = 2.5;  // unpadded bin width of the spectrum
};

// The n-th partial of f0 and B: n f0 sqrt(1 + B n^2).
double partialHz(double f0, double b, int n);
// The real partial number at frequency hz: f^2 = f0^2 (n^2 + B n^4).
double partialNumber(double f0, double b, double hz);

// Candidates in descending score, distinct in f1, each f1 within the limits.
std::vector<SeriesFit> findSeries(std::span<const SpectralPeak> peaks, const SeriesLimits& limits);

// Matches and fits a series from a starting f0 and B (coarse: a wide first match).
SeriesFit refineSeries(std::span<const SpectralPeak> peaks, double f0, double b,
                       const SeriesLimits& limits);

// The series of a known f0 and B in another spectrum: its partials matched widely and
// f0 fitted again with B kept.
SeriesFit followSeries(std::span<const SpectralPeak> peaks, double f0, double b,
                       const SeriesLimits& limits);

}  // namespace vellora
