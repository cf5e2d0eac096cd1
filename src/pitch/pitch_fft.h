// SPDX-License-Identifier: GPL-3.0-or-later
// Power-of-two real transforms for the precise pitch estimator, in double precision.
// The meter's own 4096-point single-float FFT must stay bit-exact with the read-out
// users know; this one is free to be fast and accurate instead: FFTW where the system
// has it, a radix-2 transform of our own in the WebAssembly build.
#pragma once

#include <complex>
#include <cstddef>
#include <memory>

namespace vellora {

class PitchFft {
  public:
    // n: transform length, a power of two >= 4.
    explicit PitchFft(size_t n);
    ~PitchFft();
    PitchFft(const PitchFft&) = delete;
    PitchFft& operator=(const PitchFft&) = delete;

    size_t size() const { return n_; }

    // The n real points to transform; the caller writes the first `used` of them.
    double* input();
    // Transforms input()[0 .. used) with zeros after it (the zeros are kept from call to
    // call, so only what the last call wrote beyond `used` is cleared).
    // output(): n/2 + 1 points, X(k) = sum_t x(t) e^(-2 pi i k t / n), unscaled (a
    // constant c gives X(0) = n * c).
    void transform(size_t used);
    const std::complex<double>* output() const;

  private:
    struct Plan;
    size_t n_;
    size_t written_;  // input points that may be non-zero
    std::unique_ptr<Plan> plan_;
};

}  // namespace vellora
