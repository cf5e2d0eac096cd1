#include "calibration/typed_frequency.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace vellora {
namespace {

TEST(TypedFrequency, WholeHertzWithOrWithoutTheUnitWithinTheRange) {
    struct Case {
        std::string typed;
        std::optional<int> hertz;
    };
    const Case cases[] = {
        {"440", 440},      {"  440  ", 440},
        {"440 Hz", 440},   {"440hz", 440},
        {"440 HZ", 440},   {"0", 0},
        {"5000", 5000},    {"0005", 5},
        {"5001", {}},      {"99999999999999999999", {}},
        {"", {}},          {"Hz", {}},
        {"  ", {}},        {"-5", {}},
        {"+5", {}},        {"440.5", {}},
        {"440,5", {}},     {"4 40", {}},
        {"440 kHz", {}},   {"abc", {}},
        {"440 Hz Hz", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parseTypedFrequency(c.typed, 0, 5000), c.hertz) << '"' << c.typed << '"';
    EXPECT_EQ(parseTypedFrequency("10", 20, 5000), std::nullopt);  // below the range
}

}  // namespace
}  // namespace vellora
