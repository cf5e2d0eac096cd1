#include "pitch/pitch_partials.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vellora {

namespace {
// The spectrum is zero-padded to at least this many times the recording's length, so
// that a peak spans several bins and the parabola through three of them fits well.
constexpr size_t kPadding = 3;
// A partial must stand this far above the median magnitude (about 16 dB): noise
// reaches it in a handful of bins per million.
constexpr double kPeakOverFloor = 6.0;
// The rough fundamental is within a few per cent; the window round each partial never
// reaches halfway to its neighbours.
constexpr double kSearchShare = 0.02;
constexpr double kSearchBins = 3.0;
constexpr double kMaxNeighbourShare = 0.3;
// Belts are stiffer than strings but still only slightly inharmonic.
constexpr double kMaxInharmonicity = 1e-3;
// A belt's energy lies in its first dozen partials; further up the peaks are mostly the
// 8-bit quantisation's distortion, which would only add noise to the fit.
constexpr int kMaxPartial = 12;
// Partials more than 40 dB below the strongest are ignored for the same reason.
constexpr double kMinShareOfStrongest = 0.01;
// The weights follow the precision of f(n) / n, n times the signal-to-floor ratio
// (squared), capped so that one partial cannot outvote all the others.
constexpr double kMaxWeightLevel = 300.0;
// Energy near a partial: within two bins of the unpadded spectrum (the Hann main lobe).
constexpr double kLobeBins = 2.0;
constexpr double kLowestHz = 20.0;

size_t nextPowerOfTwo(size_t n) {
    size_t p = 4;
    while (p < n) p <<= 1;
    return p;
}

// Weighted least squares of y = c0 + c1 x, with c1 = 0 when the data cannot tell it.
struct Line {
    double c0 = 0, c1 = 0;
};
Line fitLine(std::span<const double> x, std::span<const double> y, std::span<const double> w,
             bool slope) {
    double sw = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        sw += w[i];
        sx += w[i] * x[i];
        sy += w[i] * y[i];
        sxx += w[i] * x[i] * x[i];
        sxy += w[i] * x[i] * y[i];
    }
    Line line{sy / sw, 0};
    const double det = sw * sxx - sx * sx;
    if (slope && det > 1e-12 * sw * sxx) {
        line.c1 = (sw * sxy - sx * sy) / det;
        line.c0 = (sy - line.c1 * sx) / sw;
    }
    return line;
}
// The model (f(n) / n)^2 = c0 + c1 n^2, with c0 = f0^2 and c1 = B f0^2, is linear in c0
// and c1. B is fitted from three partials on; outside 0 .. kMaxInharmonicity the data
// say more about noise than about the belt, and B = 0 is fitted instead.
Line fitModel(std::span<const Partial> partials) {
    std::vector<double> x, y, w;
    for (const Partial& p : partials) {
        const double nn = double(p.number) * p.number;
        x.push_back(nn);
        y.push_back((p.hz / p.number) * (p.hz / p.number));
        const double level = std::min(p.level, kMaxWeightLevel);
        w.push_back(nn * level * level);
    }
    Line line = fitLine(x, y, w, partials.size() >= 3);
    if (line.c1 < 0 || line.c1 > kMaxInharmonicity * line.c0) line = fitLine(x, y, w, false);
    return line;
}
}  // namespace

void PartialAnalyser::analyse(std::span<const double> x, double rate) {
    const size_t size = nextPowerOfTwo(kPadding * x.size());
    if (!fft_ || fft_->size() != size) {
        fft_ = std::make_unique<PitchFft>(size);
        frame_.assign(size, 0);
        spectrum_.resize(size / 2 + 1);
        magnitude_.resize(size / 2 + 1);
    }
    if (window_.size() != x.size()) {
        window_.resize(x.size());
        for (size_t i = 0; i < x.size(); ++i)
            window_[i] =
                0.5 - 0.5 * std::cos(2 * std::numbers::pi * (double(i) + 0.5) / double(x.size()));
    }
    std::fill(frame_.begin(), frame_.end(), 0.0);
    for (size_t i = 0; i < x.size(); ++i) frame_[i] = x[i] * window_[i];
    fft_->forward(frame_.data(), spectrum_.data());
    for (size_t k = 0; k < spectrum_.size(); ++k) magnitude_[k] = std::abs(spectrum_[k]);
    binHz_ = rate / double(size);
    lobeHz_ = kLobeBins * rate / double(x.size());

    std::vector<double> sorted(magnitude_.begin() + 1, magnitude_.end());
    std::nth_element(sorted.begin(), sorted.begin() + std::ptrdiff_t(sorted.size() / 2),
                     sorted.end());
    floor_ = std::max(sorted[sorted.size() / 2], 1e-9);
}

// The strongest bin within the window, if it is a true local maximum above the floor,
// placed by a parabola through the logarithms of it and its neighbours (a Hann peak is
// close to a Gaussian, whose logarithm is exactly a parabola).
std::optional<Partial> PartialAnalyser::peakNear(int number, double hz, double halfWidthHz) const {
    const double lo = std::max(1.0, std::ceil((hz - halfWidthHz) / binHz_));
    const double hi =
        std::min(double(magnitude_.size() - 2), std::floor((hz + halfWidthHz) / binHz_));
    if (hi < lo) return std::nullopt;
    size_t best = size_t(lo);
    for (size_t k = size_t(lo); k <= size_t(hi); ++k)
        if (magnitude_[k] > magnitude_[best]) best = k;
    const double m = magnitude_[best];
    if (m < kPeakOverFloor * floor_ || magnitude_[best - 1] > m || magnitude_[best + 1] > m)
        return std::nullopt;
    const double l = std::log(magnitude_[best - 1]), c = std::log(m),
                 r = std::log(magnitude_[best + 1]);
    const double curve = l - 2 * c + r;
    double offset = 0, peak = c;
    if (curve < 0) {
        offset = std::clamp(0.5 * (l - r) / curve, -0.5, 0.5);
        peak = c - 0.25 * (l - r) * offset;
    }
    return Partial{number, (double(best) + offset) * binHz_, std::exp(peak) / floor_};
}

std::optional<PartialFit> PartialAnalyser::fit(double roughHz, double highestHz) const {
    if (!(roughHz > kLowestHz) || binHz_ <= 0) return std::nullopt;
    PartialFit result;
    // Each partial found sharpens the prediction of the next one.
    Line model{roughHz * roughHz, 0};
    const int highest = std::min(kMaxPartial, int(highestHz / roughHz));
    for (int n = 1; n <= highest; ++n) {
        const double predicted = n * std::sqrt(model.c0 + model.c1 * n * n);
        if (predicted > highestHz) break;
        const double half = std::min(kMaxNeighbourShare * std::sqrt(model.c0),
                                     kSearchBins * binHz_ + kSearchShare * predicted);
        const std::optional<Partial> p = peakNear(n, predicted, half);
        if (!p) continue;
        result.partials.push_back(*p);
        model = fitModel(result.partials);
    }
    double strongest = 0;
    for (const Partial& p : result.partials) strongest = std::max(strongest, p.level);
    std::erase_if(result.partials,
                  [&](const Partial& p) { return p.level < kMinShareOfStrongest * strongest; });
    if (result.partials.empty()) return std::nullopt;
    model = fitModel(result.partials);
    if (model.c0 <= 0) return std::nullopt;
    result.inharmonicity = model.c1 / model.c0;
    result.fundamentalHz = std::sqrt(model.c0 + model.c1);

    const double lobe = lobeHz_;
    const size_t last =
        std::min(magnitude_.size() - 1, size_t((result.partials.back().hz + lobe) / binHz_));
    double total = 0, near = 0;
    size_t next = 0;
    for (size_t k = size_t(kLowestHz / binHz_); k <= last; ++k) {
        const double e = magnitude_[k] * magnitude_[k];
        const double f = double(k) * binHz_;
        total += e;
        while (next < result.partials.size() && result.partials[next].hz + lobe < f) ++next;
        if (next < result.partials.size() && std::abs(result.partials[next].hz - f) <= lobe)
            near += e;
    }
    result.harmonicShare = total > 0 ? near / total : 0;
    return result;
}

}  // namespace vellora
