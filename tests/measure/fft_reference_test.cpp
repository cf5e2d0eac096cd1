// SPDX-License-Identifier: GPL-3.0-or-later
// The transform against a plain long-double DFT, at every size the meter could be
// handed: sizes that are no power of two leave the arrays alone, and every power of two
// from 1 to 4096 agrees with the reference within single-float rounding.
#include "measure/fft.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdint>
#include <vector>

namespace vellora {
namespace {

using Complex = std::complex<long double>;

std::vector<Complex> dft(const std::vector<float>& re, const std::vector<float>& im) {
    const std::size_t n = re.size();
    const long double pi = 3.141592653589793238462643383279502884L;
    std::vector<Complex> turn(n);
    for (std::size_t k = 0; k < n; ++k)
        turn[k] =
            std::polar(1.0L, -2 * pi * static_cast<long double>(k) / static_cast<long double>(n));
    std::vector<Complex> out(n);
    for (std::size_t k = 0; k < n; ++k)
        for (std::size_t t = 0; t < n; ++t) out[k] += Complex(re[t], im[t]) * turn[k * t % n];
    return out;
}

// Single floats carry 24 bits (2^-24 is about 6e-8). Each of the log2 n stages adds a
// rounding of the butterflies and of the twiddle, whose angle is itself a rounded float
// step times j; the relative RMS error over all bins stays below 2^-24 * 8 (log2 n + 1),
// about 6.2e-6 at 4096 points. A wrong twiddle, sign or reversal is off by order one.
TEST(FFT, EveryPowerOfTwoUpTo4096AgreesWithALongDoubleDft) {
    std::uint32_t seed = 12345;  // a fixed clip of 8-bit-like values, real and imaginary
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return float(int(seed >> 24) - 128);
    };
    for (int32_t n = 1; n <= 4096; ++n) {
        std::vector<float> re(std::size_t(n) + 1), im(std::size_t(n) + 1);
        for (int32_t t = 0; t <= n; ++t) re[std::size_t(t)] = next(), im[std::size_t(t)] = next();
        const std::vector<float> re0 = re, im0 = im;
        FFT(n, re.data(), im.data());
        ASSERT_TRUE(re.back() == re0.back() && im.back() == im0.back()) << n;  // past the end
        if ((n & (n - 1)) != 0) {
            ASSERT_TRUE(re == re0 && im == im0) << n << " is no power of two: left alone";
            continue;
        }
        re.pop_back(), im.pop_back();
        const std::vector<Complex> want = dft(std::vector<float>(re0.begin(), re0.end() - 1),
                                              std::vector<float>(im0.begin(), im0.end() - 1));
        long double error = 0, energy = 0;
        for (std::size_t k = 0; k < want.size(); ++k) {
            error += std::norm(Complex(re[k], im[k]) - want[k]);
            energy += std::norm(want[k]);
        }
        const double bound = 8 * (std::log2(double(n)) + 1) * std::ldexp(1.0, -24);
        EXPECT_LE(double(std::sqrt(error / energy)), bound) << n;
    }
}

}  // namespace
}  // namespace vellora
