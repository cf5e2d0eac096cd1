#include "pitch/pitch_period.h"

#include <algorithm>
#include <cmath>

namespace vellora {

namespace {
// A later, deeper dip wins over the first one only by more than this: the signal's
// multiples of the period dip about as deep as the period itself, and decay and
// stiffness make them a little shallower, never much deeper.
constexpr double kDipMargin = 0.08;

size_t nextPowerOfTwo(size_t n) {
    size_t p = 4;
    while (p < n) p <<= 1;
    return p;
}
}  // namespace

std::optional<PeriodEstimate> PeriodFinder::find(std::span<const double> x, double rate,
                                                 double minHz, double maxHz) {
    const size_t longest = size_t(std::ceil(rate / minHz)) + 1;
    const size_t shortest = std::max<size_t>(2, size_t(std::floor(rate / maxHz)));
    if (x.size() < 2 * longest + 2 || shortest + 2 > longest) return std::nullopt;
    const size_t n = x.size();
    const size_t width = n - longest - 1;  // every lag compares the same number of samples

    const size_t size = nextPowerOfTwo(n);
    if (!fft_ || fft_->size() != size) {
        fft_ = std::make_unique<PitchFft>(size);
        a_.assign(size, 0);
        b_.assign(size, 0);
        corr_.assign(size, 0);
        spectrumA_.resize(size / 2 + 1);
        spectrumB_.resize(size / 2 + 1);
    }
    std::fill(a_.begin(), a_.end(), 0.0);
    std::fill(b_.begin(), b_.end(), 0.0);
    std::copy(x.begin(), x.begin() + std::ptrdiff_t(width), a_.begin());
    std::copy(x.begin(), x.end(), b_.begin());

    // r(lag) = sum_j a(j) x(j + lag): the inverse of conj(A) B. No term wraps round,
    // because j + lag < width + longest < n <= size.
    fft_->forward(a_.data(), spectrumA_.data());
    fft_->forward(b_.data(), spectrumB_.data());
    for (size_t k = 0; k < spectrumA_.size(); ++k)
        spectrumA_[k] = std::conj(spectrumA_[k]) * spectrumB_[k];
    fft_->inverse(spectrumA_.data(), corr_.data());

    // d(lag) = sum_j (x(j) - x(j + lag))^2 = E(0) + E(lag) - 2 r(lag), the energies
    // E(lag) of the compared windows kept as a running sum.
    double energy0 = 0;
    for (size_t j = 0; j < width; ++j) energy0 += x[j] * x[j];
    double energyLag = energy0;
    cmnd_.assign(longest + 2, 1.0);
    double sum = 0;
    for (size_t lag = 1; lag < cmnd_.size(); ++lag) {
        energyLag += x[lag + width - 1] * x[lag + width - 1] - x[lag - 1] * x[lag - 1];
        const double d = std::max(0.0, energy0 + energyLag - 2 * corr_[lag]);
        sum += d;
        cmnd_[lag] = sum > 0 ? d * double(lag) / sum : 1.0;
    }

    size_t deepest = shortest;
    for (size_t lag = shortest; lag <= longest; ++lag)
        if (cmnd_[lag] < cmnd_[deepest]) deepest = lag;
    size_t chosen = deepest;
    for (size_t lag = std::max<size_t>(shortest, 2); lag < deepest; ++lag) {
        const bool dip = cmnd_[lag] <= cmnd_[lag - 1] && cmnd_[lag] <= cmnd_[lag + 1];
        if (dip && cmnd_[lag] <= cmnd_[deepest] + kDipMargin) {
            chosen = lag;
            break;
        }
    }

    PeriodEstimate result;
    result.lag = double(chosen);
    result.aperiodicity = cmnd_[chosen];
    if (chosen > 1 && chosen + 1 < cmnd_.size()) {
        const double l = cmnd_[chosen - 1], c = cmnd_[chosen], r = cmnd_[chosen + 1];
        const double curve = l - 2 * c + r;
        if (curve > 0) {
            const double offset = std::clamp(0.5 * (l - r) / curve, -0.5, 0.5);
            result.lag += offset;
            result.aperiodicity = c - 0.25 * (l - r) * offset;
        }
    }
    return result;
}

}  // namespace vellora
