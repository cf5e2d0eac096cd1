// SPDX-License-Identifier: GPL-3.0-or-later
// Power-of-two real transforms for the precise pitch estimator, in double precision.
// The meter's own 4096-point single-float FFT must stay bit-exact with the read-out
// users know; this one is free to be fast and accurate instead.
#pragma once

#include <complex>
#include <cstddef>
#include <vector>

namespace vellora {

class PitchFft {
  public:
    // n: transform length, a power of two >= 4.
    explicit PitchFft(size_t n);

    size_t size() const { return n_; }

    // in: n real points. out: n/2 + 1 complex points, X(k) = sum_t x(t) e^(-2 pi i k t / n),
    // unscaled (a constant c gives X(0) = n * c).
    void forward(const double* in, std::complex<double>* out);

  private:
    void complexTransform(std::complex<double>* z) const;

    size_t n_;
    size_t half_;
    std::vector<std::complex<double>> twiddle_;  // e^(-2 pi i k / half), k < half / 2
    std::vector<std::complex<double>> split_;    // e^(-2 pi i k / n), k <= half
    std::vector<size_t> reversed_;               // bit reversal of 0 .. half - 1
    std::vector<std::complex<double>> work_;
};

}  // namespace vellora
