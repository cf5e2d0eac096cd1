#include "measure/fft.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>
#include <vector>

namespace vellora {
namespace {

using Complex = std::complex<long double>;

std::vector<Complex> directDft(const std::vector<float>& re, const std::vector<float>& im) {
    const size_t n = re.size();
    std::vector<Complex> out(n);
    const long double pi = 3.141592653589793238462643383279L;
    for (size_t k = 0; k < n; ++k)
        for (size_t t = 0; t < n; ++t)
            out[k] += Complex(re[t], im[t]) *
                      std::polar(1.0L, -2 * pi * (long double)((k * t) % n) / (long double)n);
    return out;
}

TEST(FFT, SixteenPointsMatchDirectSumAndConjugateSymmetry) {
    std::mt19937 gen(7);
    std::uniform_real_distribution<float> dist(0.0f, 255.0f);
    const int n = 16;
    std::vector<float> re(n + 1), im(n + 1, 0.0f);
    for (int t = 0; t < n; ++t) re[t] = dist(gen);
    re[n] = im[n] = 12345.0f;  // marker past n
    const auto expected = directDft({re.begin(), re.begin() + n}, {im.begin(), im.begin() + n});

    FFT(n, re.data(), im.data());

    // Single floats with magnitudes up to 16 * 255: a few ulps of the largest term.
    const double bound = 16 * 255 * 1e-6;
    for (int k = 0; k < n; ++k) {
        SCOPED_TRACE(k);
        EXPECT_NEAR(re[k], double(expected[k].real()), bound);
        EXPECT_NEAR(im[k], double(expected[k].imag()), bound);
        if (k > 0) {
            EXPECT_NEAR(re[n - k], re[k], bound);
            EXPECT_NEAR(im[n - k], -im[k], bound);
        }
    }
    EXPECT_EQ(re[n], 12345.0f);
    EXPECT_EQ(im[n], 12345.0f);
}

TEST(FFT, SineOnBin100PeaksAtHalfN) {
    const int n = 4096;
    std::vector<float> re(4411, 7.0f), im(4411, 7.0f);  // 4096.. must stay 7
    for (int t = 0; t < n; ++t) {
        re[t] = float(std::sin(2 * M_PI * 100 * t / n));
        im[t] = 0.0f;
    }
    FFT(n, re.data(), im.data());
    int best = 0;
    double bestMag = 0;
    for (int k = 0; k < n / 2; ++k) {
        const double mag = std::hypot(re[k], im[k]);
        if (mag > bestMag) {
            bestMag = mag;
            best = k;
        }
    }
    EXPECT_EQ(best, 100);
    EXPECT_NEAR(bestMag, 2048.0, 0.05);  // n/2, within single-float rounding of 24576 butterflies
    EXPECT_NEAR(std::hypot(re[3996], im[3996]), 2048.0, 0.05);
    EXPECT_NEAR(im[100], -2048.0, 0.05);  // sine: negative imaginary part at +k
    for (int p = n; p < 4411; ++p) {
        ASSERT_EQ(re[p], 7.0f);
        ASSERT_EQ(im[p], 7.0f);
    }
}

TEST(FFT, ConstantInputGoesToBinZero) {
    const int n = 4096;
    std::vector<float> re(n, 128.0f), im(n, 0.0f);
    FFT(n, re.data(), im.data());
    EXPECT_EQ(re[0], 4096.0f * 128.0f);  // exact: sums of equal powers of two
    EXPECT_EQ(im[0], 0.0f);
    for (int k = 1; k < n; ++k) {
        ASSERT_NEAR(re[k], 0.0, 0.1) << k;
        ASSERT_NEAR(im[k], 0.0, 0.1) << k;
    }
}

TEST(FFT, InvalidSizesChangeNothing) {
    std::vector<float> re{1, 2, 3}, im{4, 5, 6};
    FFT(3, re.data(), im.data());
    FFT(0, re.data(), im.data());
    FFT(-4, re.data(), im.data());
    EXPECT_EQ(re, (std::vector<float>{1, 2, 3}));
    EXPECT_EQ(im, (std::vector<float>{4, 5, 6}));
}

// The read-out must match the meter users know bit for bit, so the butterflies' single-
// float rounding is the point here. The values come from a separate emulation of the
// radix-2 algorithm with every stored intermediate rounded to a single float (the step
// 2 pi / span included), on the 4095 samples of a two-tone 8-bit clip.
TEST(FFT, FourThousandPointsAreBitExactWithSingleFloatIntermediates) {
    std::vector<float> re(4411, 0.0f), im(4411, 0.0f);
    for (int t = 1; t < 4096; ++t)
        re[t] = float(std::lround(128 + 90 * std::sin(2 * M_PI * 16 * t / 4096) +
                                  35 * std::sin(2 * M_PI * 57.3 * t / 4096)));
    FFT(4096, re.data(), im.data());
    const struct {
        int bin;
        float re, im;
    } bins[] = {{3, 403.68231201171875f, -13.703182220458984f},
                {16, 415.7906799316406f, -184460.28125f},
                {57, 49769.94921875f, -36068.90625f},
                {100, -407.9610290527344f, 326.41766357421875f},
                {400, -163.61692810058594f, 39.87511444091797f}};
    for (const auto& b : bins) {
        EXPECT_EQ(re[b.bin], b.re) << b.bin;
        EXPECT_EQ(im[b.bin], b.im) << b.bin;
    }
}

}  // namespace
}  // namespace vellora
