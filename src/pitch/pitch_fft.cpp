// SPDX-License-Identifier: GPL-3.0-or-later
#include "pitch/pitch_fft.h"

#include <cmath>
#include <numbers>

namespace vellora {

PitchFft::PitchFft(size_t n)
    : n_(n), half_(n / 2), twiddle_(half_ / 2), split_(half_ + 1), reversed_(half_), work_(half_) {
    const double tau = 2 * std::numbers::pi;
    for (size_t k = 0; k < twiddle_.size(); ++k)
        twiddle_[k] = std::polar(1.0, -tau * double(k) / double(half_));
    for (size_t k = 0; k <= half_; ++k) split_[k] = std::polar(1.0, -tau * double(k) / double(n_));
    size_t bits = 0;
    while ((size_t(1) << bits) < half_) ++bits;
    for (size_t i = 0; i < half_; ++i) {
        size_t r = 0;
        for (size_t b = 0; b < bits; ++b)
            if (i & (size_t(1) << b)) r |= size_t(1) << (bits - 1 - b);
        reversed_[i] = r;
    }
}

// Iterative radix-2 decimation in time on half_ points, unscaled.
void PitchFft::complexTransform(std::complex<double>* z) const {
    for (size_t i = 0; i < half_; ++i)
        if (i < reversed_[i]) std::swap(z[i], z[reversed_[i]]);
    for (size_t len = 2; len <= half_; len <<= 1) {
        const size_t step = half_ / len;
        const size_t h = len / 2;
        for (size_t start = 0; start < half_; start += len) {
            for (size_t j = 0; j < h; ++j) {
                const std::complex<double> t = twiddle_[j * step] * z[start + j + h];
                z[start + j + h] = z[start + j] - t;
                z[start + j] += t;
            }
        }
    }
}

// The n real points are packed as half_ complex ones (even samples real, odd
// imaginary); the two interleaved spectra E and O are separated by symmetry and
// combined as X(k) = E(k) + e^(-2 pi i k / n) O(k).
void PitchFft::forward(const double* in, std::complex<double>* out) {
    for (size_t k = 0; k < half_; ++k) work_[k] = {in[2 * k], in[2 * k + 1]};
    complexTransform(work_.data());
    for (size_t k = 0; k <= half_; ++k) {
        const std::complex<double> a = work_[k % half_];
        const std::complex<double> b = std::conj(work_[(half_ - k) % half_]);
        const std::complex<double> even = 0.5 * (a + b);
        const std::complex<double> odd = std::complex<double>(0, -0.5) * (a - b);
        out[k] = even + split_[k] * odd;
    }
}

}  // namespace vellora
