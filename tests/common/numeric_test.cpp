// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/numeric.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace vellora {
namespace {

// The two rounding rules side by side at the values where they part: every half, either
// sign, and the ends of the 16- and 32-bit ranges, which a conversion must refuse or
// saturate one step past, not at.
TEST(Numeric, HalvesGoToEvenForConversionsAndAwayFromZeroForTheReadout) {
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double v;
        double even;       // roundHalfEven
        const char* text;  // formatWhole
    } rows[] = {
        {0.5, 0, "1"},          {1.5, 2, "2"},          {2.5, 2, "3"},
        {-0.5, -0, "-1"},       {-2.5, -2, "-3"},       {86.5, 86, "87"},
        {1174.5, 1174, "1175"}, {1175.5, 1176, "1176"}, {0.49999999999999994, 0, "0"},
        {-0.4, -0, "0"},        {2.5000001, 3, "3"},    {109.4999, 109, "109"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.v);
        EXPECT_EQ(roundHalfEven(r.v), r.even);
        EXPECT_EQ(formatWhole(r.v), r.text);
    }
    EXPECT_EQ(formatWhole(std::nan("")), "0");
    EXPECT_EQ(formatWhole(inf), "0");

    const struct {
        double v;
        std::optional<int16_t> i16;
        int32_t saturated;
    } ends[] = {
        {32767.4, 32767, 32767},
        {32767.5, std::nullopt, 32768},  // even neighbour 32768 is out of 16 bits
        {-32768.5, -32768, -32768},      // even neighbour -32768 is in
        {-32769, std::nullopt, -32769},
        {2147483647.4, std::nullopt, 2147483647},
        {2147483647.5, std::nullopt, 2147483647},
        {-2147483648.5, std::nullopt, -2147483648},
        {-2147483649.0, std::nullopt, -2147483648},
        {inf, std::nullopt, 2147483647},
        {std::nan(""), std::nullopt, 0},
    };
    for (const auto& e : ends) {
        SCOPED_TRACE(e.v);
        EXPECT_EQ(toInt16(e.v), e.i16);
        EXPECT_EQ(toInt32Saturated(e.v), e.saturated);
    }
}

TEST(Numeric, ColourComponentsAreLimitedEachToAByte) {
    EXPECT_EQ(rgb(255, 255, 255), 16777215);
    EXPECT_EQ(rgb(256, -1, 1), 255 + 65536);
    EXPECT_EQ(rgb(1, 2, 3), 1 + 512 + 196608);
}

}  // namespace
}  // namespace vellora
