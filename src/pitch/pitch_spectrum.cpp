// SPDX-License-Identifier: GPL-3.0-or-later
#include "pitch/pitch_spectrum.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vellora {

namespace {
constexpr size_t kPadding = 2;
// Rayleigh-distributed noise passes 4x its median in about one bin in 10^5: a spectrum
// of pure noise shows a peak or none.
constexpr double kPeakOverFloor = 4.0;
// Any peak over the threshold is good evidence: noise rarely makes one. A stronger one
// is a little better.
constexpr double kPeakWeight = 6;
constexpr double kWeightPerDb = 0.5;
constexpr double kMaxWeightDb = 30;
// Mains hum and its harmonics, within the grid's tolerance: no evidence of a belt.
constexpr double kMainsHarmonics = 10;
constexpr double kMainsShare = 0.001;
// Quantisation distortion of an 8-bit clip lies 40 dB and more below its partials.
constexpr double kMinShareOfStrongest = 0.01;
// Hann side lobes are 31 dB down and lie within four bins of their main lobe; with the
// 8-bit rounding of a steady tone they reach -24 dB. Partials are never that close:
// the series search needs six periods, six bins between partials.
constexpr double kSideLobeShare = 0.1;
constexpr double kSideLobeBins = 4.5;
constexpr double kBandRatio = 1.26;  // a third of an octave
constexpr size_t kMinBandBins = 24;  // unpadded bins per band, for a stable median

// Hann (rising and falling) or its falling half alone, at the centres of the samples. The
// cosines come from a rotation restarted from the library's cos and sin every kExactEvery
// samples: a cosine a sample costs as much as the transform, the rotation drifts by far
// less than the 8-bit samples' own rounding.
void fillWindow(std::vector<double>& w, bool fading) {
    constexpr size_t kExactEvery = 64;
    const double step = (fading ? 1 : 2) * std::numbers::pi / double(w.size());
    const double sign = fading ? 0.5 : -0.5;
    const double c1 = std::cos(step), s1 = std::sin(step);
    for (size_t start = 0; start < w.size(); start += kExactEvery) {
        const double angle = step * (double(start) + 0.5);
        double c = std::cos(angle), s = std::sin(angle);
        const size_t end = std::min(w.size(), start + kExactEvery);
        for (size_t i = start; i < end; ++i) {
            w[i] = 0.5 + sign * c;
            const double next = c * c1 - s * s1;
            s = s * c1 + c * s1;
            c = next;
        }
    }
}

size_t nextPowerOfTwo(size_t n) {
    size_t p = 4;
    while (p < n) p <<= 1;
    return p;
}
}  // namespace

PitchFft& PeakSpectrum::plan(size_t size) {
    // One estimate analyses spans of a few lengths in turn (the whole sound, its ring,
    // the run's clips): the last few plans are kept rather than built again each time.
    constexpr size_t kPlansKept = 4;
    // std::find_if, not the ranges form: the WebAssembly build's library lacks it.
    const auto found = std::find_if(plans_.begin(), plans_.end(),
                                    [size](const auto& p) { return p->size() == size; });
    if (found != plans_.end()) {
        std::rotate(found, found + 1, plans_.end());  // the newest last
        return *plans_.back();
    }
    if (plans_.size() == kPlansKept) plans_.erase(plans_.begin());
    plans_.push_back(std::make_unique<PitchFft>(size));
    return *plans_.back();
}

void PeakSpectrum::analyse(std::span<const double> x, double rate, bool fading) {
    const size_t size = nextPowerOfTwo(kPadding * x.size());
    PitchFft& fft = plan(size);
    magnitude_.resize(size / 2 + 1);
    if (window_.size() != x.size() || fadingWindow_ != fading) {
        // Hann: a window weighing the loud start more was tried and placed partials worse
        // on every material set of belts ringing longer than the analysed span. A belt
        // that dies within it tapers its own start; the falling half of a Hann window
        // ends it. Both are real, so a decaying partial's peak stays symmetric about its
        // frequency.
        window_.resize(x.size());
        fadingWindow_ = fading;
        fillWindow(window_, fading);
    }
    double* frame = fft.input();
    for (size_t i = 0; i < x.size(); ++i) frame[i] = x[i] * window_[i];
    fft.transform(x.size());
    const std::complex<double>* spectrum = fft.output();
    for (size_t k = 0; k < magnitude_.size(); ++k)
        magnitude_[k] = std::sqrt(spectrum[k].real() * spectrum[k].real() +
                                  spectrum[k].imag() * spectrum[k].imag());
    binHz_ = rate / double(size);
    resolutionHz_ = rate / double(x.size());

    // Bands of a third of an octave, none narrower than kMinBandBins unpadded bins.
    const double padding = double(size) / double(x.size());
    const size_t minBins = size_t(double(kMinBandBins) * padding);
    bandStart_.clear();
    bandFloor_.clear();
    std::vector<double> sorted;
    for (size_t start = 1; start < magnitude_.size();) {
        size_t end = std::max(start + minBins, size_t(double(start) * kBandRatio));
        if (end + minBins / 2 > magnitude_.size()) end = magnitude_.size();
        sorted.assign(magnitude_.begin() + std::ptrdiff_t(start),
                      magnitude_.begin() + std::ptrdiff_t(end));
        std::nth_element(sorted.begin(), sorted.begin() + std::ptrdiff_t(sorted.size() / 2),
                         sorted.end());
        bandStart_.push_back(start);
        bandFloor_.push_back(std::max(sorted[sorted.size() / 2], 1e-9));
        start = end;
    }
}

double PeakSpectrum::floorAt(size_t k) const {
    const auto it = std::upper_bound(bandStart_.begin(), bandStart_.end(), k);
    return bandFloor_[it == bandStart_.begin() ? 0 : size_t(it - bandStart_.begin()) - 1];
}

std::optional<SpectralPeak> PeakSpectrum::peakAt(size_t k, double wholeFloor) const {
    if (k < 1 || k + 1 >= magnitude_.size()) return std::nullopt;
    const double m = magnitude_[k];
    // The floor's search only for local maxima: most bins are none.
    if (magnitude_[k - 1] > m || magnitude_[k + 1] >= m) return std::nullopt;
    const double floor = wholeFloor > 0 ? wholeFloor : floorAt(k);
    if (m < kPeakOverFloor * floor) return std::nullopt;
    // A Hann peak is close to a Gaussian, whose logarithm is a parabola.
    const double l = std::log(std::max(magnitude_[k - 1], 1e-300)), c = std::log(m),
                 r = std::log(std::max(magnitude_[k + 1], 1e-300));
    const double curve = l - 2 * c + r;
    double offset = 0, top = c;
    if (curve < 0) {
        offset = std::clamp(0.5 * (l - r) / curve, -0.5, 0.5);
        top = c - 0.25 * (l - r) * offset;
    }
    SpectralPeak p;
    p.hz = (double(k) + offset) * binHz_;
    p.magnitude = std::exp(top);
    p.level = p.magnitude / floor;
    p.energy = m * m;
    for (size_t j = k; j > 1 && magnitude_[j - 1] < magnitude_[j] && magnitude_[j - 1] > floor;)
        --j, p.energy += magnitude_[j] * magnitude_[j];
    for (size_t j = k; j + 2 < magnitude_.size() && magnitude_[j + 1] < magnitude_[j] &&
                       magnitude_[j + 1] > floor;)
        ++j, p.energy += magnitude_[j] * magnitude_[j];
    p.weight = kPeakWeight +
               kWeightPerDb * std::min(kMaxWeightDb, 20 * std::log10(p.level / kPeakOverFloor));
    for (const double mains : {50.0, 60.0}) {
        if (!discountMains_) break;
        const double h = std::round(p.hz / mains);
        if (h >= 1 && h <= kMainsHarmonics && std::abs(p.hz - h * mains) < kMainsShare * h * mains)
            p.weight = 0;
    }
    return p;
}

std::vector<SpectralPeak> PeakSpectrum::peaks(double loHz, double hiHz) const {
    return peaksOver(loHz, hiHz, false);
}

std::vector<SpectralPeak> PeakSpectrum::broadPeaks(double loHz, double hiHz) const {
    return peaksOver(loHz, hiHz, true);
}

std::vector<SpectralPeak> PeakSpectrum::peaksOver(double loHz, double hiHz, bool whole) const {
    std::vector<SpectralPeak> found;
    if (binHz_ <= 0) return found;
    const size_t lo = std::max<size_t>(1, size_t(std::ceil(loHz / binHz_)));
    const size_t hi = std::min(magnitude_.size() - 2, size_t(hiHz / binHz_));
    if (lo > hi) return found;
    double wholeFloor = 0;
    if (whole) {
        std::vector<double> sorted(magnitude_.begin() + std::ptrdiff_t(lo),
                                   magnitude_.begin() + std::ptrdiff_t(hi + 1));
        std::nth_element(sorted.begin(), sorted.begin() + std::ptrdiff_t(sorted.size() / 2),
                         sorted.end());
        wholeFloor = std::max(sorted[sorted.size() / 2], 1e-9);
    }
    for (size_t k = lo; k <= hi; ++k)
        if (auto p = peakAt(k, wholeFloor)) found.push_back(*p);
    std::vector<double> absolute(found.size());
    for (size_t i = 0; i < found.size(); ++i) absolute[i] = found[i].magnitude;
    const double loudest =
        absolute.empty() ? 0 : *std::max_element(absolute.begin(), absolute.end());
    const double lobe = kSideLobeBins * resolutionHz_;
    std::vector<SpectralPeak> kept;
    for (size_t i = 0; i < found.size(); ++i) {
        if (absolute[i] < kMinShareOfStrongest * loudest) continue;
        bool side = false;
        for (size_t j = i; j-- > 0 && found[i].hz - found[j].hz < lobe;)
            side |= absolute[i] < kSideLobeShare * absolute[j];
        for (size_t j = i + 1; j < found.size() && found[j].hz - found[i].hz < lobe; ++j)
            side |= absolute[i] < kSideLobeShare * absolute[j];
        if (!side) kept.push_back(found[i]);
    }
    return kept;
}

double PeakSpectrum::magnitudeNear(double hz, double halfWidthHz) const {
    if (binHz_ <= 0) return 0;
    const double lo = std::max(0.0, std::ceil((hz - halfWidthHz) / binHz_));
    const double hi =
        std::min(double(magnitude_.size() - 1), std::floor((hz + halfWidthHz) / binHz_));
    double m = 0;
    for (double k = lo; k <= hi; ++k) m = std::max(m, magnitude_[size_t(k)]);
    return m;
}

}  // namespace vellora
