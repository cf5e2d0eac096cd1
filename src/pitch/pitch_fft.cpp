// SPDX-License-Identifier: GPL-3.0-or-later
// The radix-2 transform, for builds without FFTW (WebAssembly).
#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "pitch/pitch_fft.h"

namespace vellora {

struct PitchFft::Plan {
    explicit Plan(size_t n);
    void complexTransform(std::complex<double>* z) const;

    size_t half;
    std::vector<std::complex<double>> twiddle;  // e^(-2 pi i k / half), k < half / 2
    std::vector<std::complex<double>> split;    // e^(-2 pi i k / n), k <= half
    std::vector<size_t> reversed;               // bit reversal of 0 .. half - 1
    std::vector<std::complex<double>> work;
    std::vector<double> in;
    std::vector<std::complex<double>> out;
};

PitchFft::Plan::Plan(size_t n)
    : half(n / 2),
      twiddle(half / 2),
      split(half + 1),
      reversed(half),
      work(half),
      in(n, 0.0),
      out(half + 1) {
    const double tau = 2 * std::numbers::pi;
    for (size_t k = 0; k < twiddle.size(); ++k)
        twiddle[k] = std::polar(1.0, -tau * double(k) / double(half));
    for (size_t k = 0; k <= half; ++k) split[k] = std::polar(1.0, -tau * double(k) / double(n));
    size_t bits = 0;
    while ((size_t(1) << bits) < half) ++bits;
    for (size_t i = 0; i < half; ++i) {
        size_t r = 0;
        for (size_t b = 0; b < bits; ++b)
            if (i & (size_t(1) << b)) r |= size_t(1) << (bits - 1 - b);
        reversed[i] = r;
    }
}

// Iterative radix-2 decimation in time on `half` points, unscaled.
void PitchFft::Plan::complexTransform(std::complex<double>* z) const {
    for (size_t i = 0; i < half; ++i)
        if (i < reversed[i]) std::swap(z[i], z[reversed[i]]);
    for (size_t len = 2; len <= half; len <<= 1) {
        const size_t step = half / len;
        const size_t h = len / 2;
        for (size_t start = 0; start < half; start += len) {
            for (size_t j = 0; j < h; ++j) {
                const std::complex<double> t = twiddle[j * step] * z[start + j + h];
                z[start + j + h] = z[start + j] - t;
                z[start + j] += t;
            }
        }
    }
}

PitchFft::PitchFft(size_t n) : n_(n), written_(0), plan_(std::make_unique<Plan>(n)) {}
PitchFft::~PitchFft() = default;

double* PitchFft::input() { return plan_->in.data(); }
const std::complex<double>* PitchFft::output() const { return plan_->out.data(); }

// The n real points are packed as `half` complex ones (even samples real, odd
// imaginary); the two interleaved spectra E and O are separated by symmetry and
// combined as X(k) = E(k) + e^(-2 pi i k / n) O(k).
void PitchFft::transform(size_t used) {
    Plan& p = *plan_;
    if (written_ > used)
        std::fill(p.in.begin() + std::ptrdiff_t(used), p.in.begin() + std::ptrdiff_t(written_),
                  0.0);
    written_ = used;
    const size_t half = p.half;
    for (size_t k = 0; k < half; ++k) p.work[k] = {p.in[2 * k], p.in[2 * k + 1]};
    p.complexTransform(p.work.data());
    for (size_t k = 0; k <= half; ++k) {
        const std::complex<double> a = p.work[k % half];
        const std::complex<double> b = std::conj(p.work[(half - k) % half]);
        const std::complex<double> even = 0.5 * (a + b);
        const std::complex<double> odd = std::complex<double>(0, -0.5) * (a - b);
        p.out[k] = even + p.split[k] * odd;
    }
}

}  // namespace vellora
