// SPDX-License-Identifier: GPL-3.0-or-later
#include "pitch/pitch_series.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace vellora {

namespace {
constexpr double kMissingCost = 4;  // dB-weight of evidence one unseen partial costs
constexpr int kMaxPartial = 100;
constexpr int kMaxGap = 5;         // unseen partials in a row that end a series
constexpr int kSeedPartials = 12;  // seeds take the strongest peaks as partials 1 .. 12
constexpr size_t kSeedPeaks = 10;
constexpr size_t kSeedLowPeaks = 6;
constexpr size_t kRefined = 12;  // distinct seeds refined
constexpr size_t kMultipleLeaders = 3;
// Matching tolerance: a share of the resolution plus a share of the frequency; the first,
// wide match allows for a seed's rough B, the later ones for the peaks' own scatter.
constexpr double kWideBins = 0.5, kWideShare = 0.015, kWideOfSpacing = 0.3;
constexpr double kFineBins = 0.35, kFineShare = 0.0025, kFineOfSpacing = 0.2;
constexpr double kMaxWeightLevel = 300;  // no partial outvotes all the others
constexpr int kRefineRounds = 3;

struct Tolerance {
    double bins, share, ofSpacing;
};

bool ascending(std::span<const SpectralPeak> peaks) {
    return std::is_sorted(peaks.begin(), peaks.end(),
                          [](const SpectralPeak& a, const SpectralPeak& c) { return a.hz < c.hz; });
}

// A peak belongs to the partial it lies within the tolerance of: never more than 0.3 f0,
// under half the partials' spacing (at least f0), so that partial is also the one nearest
// to it. With the peaks ascending in frequency the partials are walked instead, each
// taking the peaks inside its window, until the series has ended (a gap of more than
// kMaxGap partials) or the peaks have: the seeds' thousands of matches over a clipped
// ring's hundred peaks are the estimator's dearest loop.
void match(std::span<const SpectralPeak> peaks, bool sorted, double f0, double b,
           const SeriesLimits& limits, Tolerance tol, SeriesFit& fit) {
    fit.f0 = f0;
    fit.b = b;
    fit.partials.clear();
    std::array<int, kMaxPartial + 1> owner;
    owner.fill(-1);
    const auto width = [&](double predicted) {
        return std::min(tol.ofSpacing * f0, tol.bins * limits.resolutionHz + tol.share * predicted);
    };
    const auto take = [&](size_t i, int n) {
        int& own = owner[size_t(n)];
        if (own < 0 || peaks[i].weight > peaks[size_t(own)].weight) own = int(i);
    };
    if (sorted) {
        size_t at = 0;
        for (int n = 1, highest = 0; n <= kMaxPartial; ++n) {
            if (highest > 0 && n - highest > kMaxGap) break;
            const double predicted = partialHz(f0, b, n), w = width(predicted);
            while (at < peaks.size() && predicted - peaks[at].hz > w) ++at;
            if (at == peaks.size()) break;
            for (size_t i = at; i < peaks.size() && peaks[i].hz - predicted <= w; ++i)
                take(i, n), highest = n;
        }
    } else {
        for (size_t i = 0; i < peaks.size(); ++i) {
            const int n = int(std::lround(partialNumber(f0, b, peaks[i].hz)));
            if (n < 1 || n > kMaxPartial) continue;
            const double predicted = partialHz(f0, b, n);
            if (std::abs(peaks[i].hz - predicted) <= width(predicted)) take(i, n);
        }
    }
    fit.explained = 0;
    int last = 0;
    for (int n = 1; n <= kMaxPartial; ++n) {
        // A stray peak far above the series' end is not part of it.
        if (last > 0 && n - last > kMaxGap) break;
        const int own = owner[size_t(n)];
        if (own < 0) continue;
        const SpectralPeak& p = peaks[size_t(own)];
        fit.partials.push_back({n, p.hz, p.weight, p.level, size_t(own)});
        fit.explained += p.weight;
        last = n;
    }
    fit.missing = 0;
    for (int n = 1; n < last; ++n)
        if (owner[size_t(n)] < 0 && partialHz(f0, b, n) >= limits.lowestPeakHz) ++fit.missing;
    fit.score = fit.explained - kMissingCost * fit.missing;
}

// Weighted least squares of (f/n)^2 = c0 + c1 n^2 (c0 = f0^2, c1 = B f0^2); B is fitted
// from three partials on and kept within 0 .. maxB.
bool fitModel(std::span<const SeriesPartial> partials, double maxB, double& f0, double& b) {
    // Peaks that are no evidence of a belt (hum, an engine's held harmonics) do not bend
    // the fit either, unless there is nothing else.
    const bool anyEvidence = std::any_of(partials.begin(), partials.end(),
                                         [](const SeriesPartial& p) { return p.weight > 0; });
    const auto counts = [&](const SeriesPartial& p) { return !anyEvidence || p.weight > 0; };
    double sw = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
    size_t used = 0;
    for (const SeriesPartial& p : partials) {
        if (!counts(p)) continue;
        ++used;
        const double x = double(p.number) * p.number;
        const double y = (p.hz / p.number) * (p.hz / p.number);
        const double level = std::min(p.level, kMaxWeightLevel);
        const double w = x * level * level;
        sw += w;
        sx += w * x;
        sy += w * y;
        sxx += w * x * x;
        sxy += w * x * y;
    }
    if (sw <= 0) return false;
    double c0 = sy / sw, c1 = 0;
    const double det = sw * sxx - sx * sx;
    if (used >= 3 && det > 1e-9 * sw * sxx) {
        c1 = (sw * sxy - sx * sy) / det;
        c0 = (sy - c1 * sx) / sw;
    }
    if (c1 < 0 || c0 <= 0) {
        c1 = 0;
        c0 = sy / sw;
    } else if (c1 > maxB * c0) {
        // c0 (1 + maxB x) = y: one unknown.
        double num = 0, den = 0;
        for (const SeriesPartial& p : partials) {
            if (!counts(p)) continue;
            const double x = double(p.number) * p.number;
            const double y = (p.hz / p.number) * (p.hz / p.number);
            const double level = std::min(p.level, kMaxWeightLevel);
            const double w = x * level * level, g = 1 + maxB * x;
            num += w * y * g;
            den += w * g * g;
        }
        c0 = num / den;
        c1 = maxB * c0;
    }
    if (!(c0 > 0)) return false;
    f0 = std::sqrt(c0);
    b = c1 / c0;
    return true;
}
}  // namespace

double partialHz(double f0, double b, int n) { return n * f0 * std::sqrt(1 + b * n * n); }

double partialNumber(double f0, double b, double hz) {
    const double q = (hz / f0) * (hz / f0);
    if (b < 1e-12) return std::sqrt(q);
    return std::sqrt((std::sqrt(1 + 4 * b * q) - 1) / (2 * b));
}

double SeriesFit::f1() const { return f0 * std::sqrt(1 + b); }

SeriesFit refineSeries(std::span<const SpectralPeak> peaks, double f0, double b,
                       const SeriesLimits& limits) {
    SeriesFit fit;
    const bool sorted = ascending(peaks);
    match(peaks, sorted, f0, b, limits, {kWideBins, kWideShare, kWideOfSpacing}, fit);
    for (int round = 0; round < kRefineRounds && !fit.partials.empty(); ++round) {
        if (!fitModel(fit.partials, limits.maxB, f0, b)) break;
        match(peaks, sorted, f0, b, limits, {kFineBins, kFineShare, kFineOfSpacing}, fit);
    }
    if (!fit.partials.empty() && fitModel(fit.partials, limits.maxB, f0, b)) {
        fit.f0 = f0;
        fit.b = b;
    }
    return fit;
}

SeriesFit followSeries(std::span<const SpectralPeak> peaks, double f0, double b,
                       const SeriesLimits& limits) {
    SeriesFit fit;
    match(peaks, ascending(peaks), f0, b, limits, {kWideBins, kWideShare, kWideOfSpacing}, fit);
    double num = 0, den = 0;
    for (const SeriesPartial& p : fit.partials) {
        const double x = double(p.number) * p.number;
        const double level = std::min(p.level, kMaxWeightLevel);
        const double w = x * level * level, g = 1 + b * x;
        num += w * (p.hz / p.number) * (p.hz / p.number) * g;
        den += w * g * g;
    }
    if (den > 0) fit.f0 = std::sqrt(num / den);
    return fit;
}

std::vector<SeriesFit> findSeries(std::span<const SpectralPeak> peaks, const SeriesLimits& limits) {
    std::vector<size_t> strongest(peaks.size());
    for (size_t i = 0; i < peaks.size(); ++i) strongest[i] = i;
    std::sort(strongest.begin(), strongest.end(),
              [&](size_t a, size_t c) { return peaks[a].weight > peaks[c].weight; });
    strongest.resize(std::min(strongest.size(), kSeedPeaks));
    // Stiff belts with a high-pitched sound may have their strongest peaks far up the
    // series; seeds need low partials too. The peaks are in ascending frequency.
    for (size_t i = 0, added = 0; i < peaks.size() && added < kSeedLowPeaks; ++i) {
        if (peaks[i].weight <= 0) continue;
        ++added;
        if (std::find(strongest.begin(), strongest.end(), i) == strongest.end())
            strongest.push_back(i);
    }

    // The loudest peaks as first modes compete whatever the seeds' scores: among many
    // weaker peaks (a clipped belt's distortion) their sub-harmonics explain more of them.
    std::vector<size_t> loudest(peaks.size());
    for (size_t i = 0; i < peaks.size(); ++i) loudest[i] = i;
    const size_t firsts = std::min(peaks.size(), kMultipleLeaders);
    std::partial_sort(loudest.begin(), loudest.begin() + std::ptrdiff_t(firsts), loudest.end(),
                      [&](size_t a, size_t c) { return peaks[a].magnitude > peaks[c].magnitude; });
    loudest.resize(firsts);
    const auto firstOf = [&](size_t i, int m) {
        const auto at = std::find(loudest.begin(), loudest.end(), i);
        return m == 1 && at != loudest.end() ? int(at - loudest.begin()) : -1;
    };
    struct Seed {
        double f0, b, score;
        int loudestFirst;  // which of the loudest peaks is its first mode, or -1
    };
    std::vector<Seed> seeds;
    SeriesFit trial;
    const bool sorted = ascending(peaks);
    const auto tryseed = [&](double f0, double b, int loudestFirst) {
        const double f1 = f0 * std::sqrt(1 + b);
        if (!(f1 >= limits.loHz / 1.05 && f1 <= limits.hiHz * 1.05)) return;
        match(peaks, sorted, f0, b, limits, {kWideBins, kWideShare, kWideOfSpacing}, trial);
        seeds.push_back({f0, b, trial.score, loudestFirst});
    };
    for (const size_t i : strongest)
        for (int m = 1; m <= kSeedPartials; ++m) tryseed(peaks[i].hz / m, 0, firstOf(i, m));
    for (const size_t i : strongest) {
        for (const size_t j : strongest) {
            if (peaks[j].hz <= peaks[i].hz) continue;
            for (int m = 1; m < kSeedPartials; ++m) {
                const double ym = (peaks[i].hz / m) * (peaks[i].hz / m);
                for (int n = m + 1; n <= kSeedPartials; ++n) {
                    const double yn = (peaks[j].hz / n) * (peaks[j].hz / n);
                    // (f/n)^2 = f0^2 (1 + B n^2) through both points.
                    const double c1 = (yn - ym) / double(n * n - m * m);
                    const double c0 = ym - c1 * m * m;
                    if (c0 <= 0) continue;
                    const double b = c1 / c0;
                    if (b < -2e-4 || b > limits.maxB) continue;
                    tryseed(std::sqrt(c0), std::max(0.0, b), firstOf(i, m));
                }
            }
        }
    }
    std::sort(seeds.begin(), seeds.end(),
              [](const Seed& a, const Seed& c) { return a.score > c.score; });

    std::vector<SeriesFit> result;
    std::vector<double> tried;
    std::vector<bool> firstTried(firsts, false);
    for (const Seed& s : seeds) {
        const bool first = s.loudestFirst >= 0 && !firstTried[size_t(s.loudestFirst)];
        if (first) firstTried[size_t(s.loudestFirst)] = true;
        if (tried.size() >= kRefined && !first) continue;
        const double f1 = s.f0 * std::sqrt(1 + s.b);
        if (std::any_of(tried.begin(), tried.end(),
                        [&](double t) { return std::abs(f1 / t - 1) < 0.01; }))
            continue;
        tried.push_back(f1);
        SeriesFit fit = refineSeries(peaks, s.f0, s.b, limits);
        if (fit.partials.empty()) continue;
        const double g = fit.f1();
        if (g < limits.loHz || g > limits.hiHz) continue;
        if (std::any_of(result.begin(), result.end(),
                        [&](const SeriesFit& r) { return std::abs(r.f1() / g - 1) < 0.002; }))
            continue;
        result.push_back(std::move(fit));
    }
    std::sort(result.begin(), result.end(),
              [](const SeriesFit& a, const SeriesFit& c) { return a.score > c.score; });
    // The leaders' octaves and twelfths: f(kn) of a series at f0 / k with B / k^2 is f(n)
    // of the series at f0 with B, so each can stand in for the other.
    const size_t leaders = std::min<size_t>(result.size(), kMultipleLeaders);
    for (size_t i = 0; i < leaders; ++i) {
        for (const double k : {2.0, 3.0, 0.5, 1.0 / 3}) {
            const double f0 = result[i].f0 * k, b = result[i].b * k * k;
            const double f1 = f0 * std::sqrt(1 + b);
            if (f1 < limits.loHz || f1 > limits.hiHz || b > limits.maxB) continue;
            if (std::any_of(result.begin(), result.end(),
                            [&](const SeriesFit& r) { return std::abs(r.f1() / f1 - 1) < 0.002; }))
                continue;
            SeriesFit fit = refineSeries(peaks, f0, b, limits);
            if (fit.partials.empty() || fit.f1() < limits.loHz || fit.f1() > limits.hiHz) continue;
            if (std::any_of(result.begin(), result.end(), [&](const SeriesFit& r) {
                    return std::abs(r.f1() / fit.f1() - 1) < 0.002;
                }))
                continue;
            result.push_back(std::move(fit));
        }
    }
    std::sort(result.begin(), result.end(),
              [](const SeriesFit& a, const SeriesFit& c) { return a.score > c.score; });
    return result;
}

}  // namespace vellora
