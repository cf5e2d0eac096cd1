#include "common/numeric.h"

#include <gtest/gtest.h>

namespace vellora {
namespace {

TEST(Numeric, ConversionsRoundHalvesToEven) {
    EXPECT_EQ(toInt32(1175.5), 1176);
    EXPECT_EQ(toInt32(1174.5), 1174);
    EXPECT_EQ(toInt32(-2.5), -2);
    EXPECT_EQ(toInt16(2.56), 3);
    EXPECT_FALSE(toInt16(32767.5).has_value());  // rounds to 32768
    EXPECT_EQ(toInt16(-32768.4), -32768);
    EXPECT_FALSE(toInt32(1e10).has_value());
}

TEST(Numeric, FormatWholeRoundsHalvesAwayFromZero) {
    EXPECT_EQ(formatWhole(86.6736), "87");
    EXPECT_EQ(formatWhole(2.5), "3");
    EXPECT_EQ(formatWhole(3.5), "4");
    EXPECT_EQ(formatWhole(0.4), "0");
    EXPECT_EQ(formatWhole(-2.5), "-3");
    EXPECT_EQ(formatWhole(5547.1104), "5547");
}

TEST(Numeric, ColourComponentsAreLimited) {
    EXPECT_EQ(rgb(0, 0, 256), 255 * 65536);
    EXPECT_EQ(rgb(255, 0, 0), 255);
    EXPECT_EQ(rgb(0, 255, 1), 255 * 256 + 65536);
}

}  // namespace
}  // namespace vellora
