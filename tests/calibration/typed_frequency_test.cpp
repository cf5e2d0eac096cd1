// SPDX-License-Identifier: GPL-3.0-or-later
#include "calibration/typed_frequency.h"

#include <gtest/gtest.h>

namespace vellora {
namespace {

TEST(TypedFrequency, WholeHertzWithOrWithoutTheUnitWithinTheRange) {
    for (const char* typed : {"440", "  440  ", "440 Hz", "440hz", "0440 HZ"})
        EXPECT_EQ(parseTypedFrequency(typed, 20, 5000), 440) << '"' << typed << '"';
    EXPECT_EQ(parseTypedFrequency("5000", 20, 5000), 5000);  // both ends are in the range
    EXPECT_EQ(parseTypedFrequency("20", 20, 5000), 20);
    for (const char* typed :
         {"5001", "99999999999999999999", "19", "", "Hz", "-5", "+5", "440,5", "4 40", "440 Hz Hz"})
        EXPECT_EQ(parseTypedFrequency(typed, 20, 5000), std::nullopt) << '"' << typed << '"';
}

}  // namespace
}  // namespace vellora
