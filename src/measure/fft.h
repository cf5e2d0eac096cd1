// SPDX-License-Identifier: GPL-3.0-or-later
// In-place radix-2 decimation-in-frequency transform of n complex points held in
// two single-float arrays (positions 0 .. n-1; later positions are not touched).
//
// On return position k holds X(k) = sum_t x(t) e^(-2 pi i k t / n), in natural
// order and unscaled: a constant c gives X(0) = n * c. The meter calls it with
// n = 4096 on arrays of 4411 positions.
//
// n must be a power of two (n >= 1). Other values return without changing anything.
// Each twiddle is the single-float cosine and sine of a single-float angle, taken from
// a table for n up to 4096 and computed for larger n; the values are the same either
// way, and repeated calls give bit-identical results.
#pragma once

#include <cstdint>

namespace vellora {

void FFT(int32_t n, float* re, float* im);

}  // namespace vellora
