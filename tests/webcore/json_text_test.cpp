// SPDX-License-Identifier: GPL-3.0-or-later
#include "webcore/json_text.h"

#include <gtest/gtest.h>

#include <limits>

namespace vellora {
namespace {

TEST(JsonText, StringsEscapedAndNumbersReadBackWithAPoint) {
    EXPECT_EQ(jsonString("a\"b\\c\nd\te\x01 \xC3\xA7"), "\"a\\\"b\\\\c\\nd\\te\\u0001 \xC3\xA7\"");
    EXPECT_EQ(jsonNumber(0.1), "0.1");
    EXPECT_EQ(jsonNumber(98.25), "98.25");
    EXPECT_EQ(jsonNumber(1e21), "1e+21");
    EXPECT_EQ(jsonNumber(-3), "-3");
    EXPECT_EQ(jsonNumber(std::numeric_limits<double>::quiet_NaN()), "null");
    EXPECT_EQ(JsonObject().add("a", 1).add("b", "x").add("c", true).raw("d", "[1]").text(),
              "{\"a\":1,\"b\":\"x\",\"c\":true,\"d\":[1]}");
}

}  // namespace
}  // namespace vellora
