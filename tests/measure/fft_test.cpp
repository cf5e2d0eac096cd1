// SPDX-License-Identifier: GPL-3.0-or-later
#include "measure/fft.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace vellora {
namespace {

// The read-out must match the meter users know bit for bit, so the single-float rounding
// is the point: the values come from a separate emulation of the radix-2 algorithm with
// every stored intermediate (the step 2 pi / span included) rounded to a single float,
// on a two-tone 8-bit clip. Slots past the transform hold a marker that must survive.
TEST(FFT, FourThousandPointsAreBitExactWithSingleFloatIntermediates) {
    std::vector<float> re(4411, 7.0f), im(4411, 7.0f);
    std::fill_n(im.begin(), 4096, 0.0f);
    re[0] = 0;
    for (int t = 1; t < 4096; ++t)
        re[t] = float(std::lround(128 + 90 * std::sin(2 * M_PI * 16 * t / 4096) +
                                  35 * std::sin(2 * M_PI * 57.3 * t / 4096)));
    FFT(4096, re.data(), im.data());
    const struct {
        int bin;
        float re, im;
    } bins[] = {{3, 403.68231201171875f, -13.703182220458984f},
                {57, 49769.94921875f, -36068.90625f},
                {400, -163.61692810058594f, 39.87511444091797f}};
    for (const auto& b : bins) {
        EXPECT_EQ(re[b.bin], b.re) << b.bin;
        EXPECT_EQ(im[b.bin], b.im) << b.bin;
    }
    for (int t = 4096; t < 4411; ++t) ASSERT_TRUE(re[t] == 7.0f && im[t] == 7.0f) << t;
}

}  // namespace
}  // namespace vellora
