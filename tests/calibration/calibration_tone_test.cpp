// SPDX-License-Identifier: GPL-3.0-or-later
#include "calibration/calibration_tone.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vellora {
namespace {

TEST(CalibrationTone, HeaderFieldByField) {
    const ToneFile f = calibrationToneBytes(440);
    const uint8_t expected[46] = {
        'R',  'I',  'F', 'F', 0x48, 0x56, 0x00, 0x00,  // 22088 bytes follow
        'W',  'A',  'V', 'E', 'f',  'm',  't',  ' ',   //
        18,   0,    0,   0,                            // format chunk of 18 bytes
        1,    0,    1,   0,                            // PCM, mono
        0x22, 0x56, 0,   0,   0x22, 0x56, 0,    0,     // 22050 Hz, 22050 bytes/s
        1,    0,    8,   0,   0,    0,                 // align 1, 8 bits, no extension
        'd',  'a',  't', 'a', 0x22, 0x56, 0,    0};    // 22050 samples
    EXPECT_TRUE(std::equal(std::begin(expected), std::end(expected), f.begin()));
}

// 2205 Hz is ten samples a period, 36 degrees a step: 127 sin(36 k deg) + 128 by hand
// gives 202.6, 248.8, 248.8, 202.6, 128, 53.4, 7.2, 7.2, 53.4, 128.
TEST(CalibrationTone, SamplesOfATenSamplePeriod) {
    const ToneFile f = calibrationToneBytes(2205);
    const uint8_t period[10] = {203, 249, 249, 203, 128, 53, 7, 7, 53, 128};
    for (int k = 1; k <= 10; ++k) EXPECT_EQ(f[45 + k], period[k - 1]) << k;
    EXPECT_EQ(f[45 + 22041], 203);
    EXPECT_EQ(f.back(), 128);  // whole periods: the loop joins without a click
}

}  // namespace
}  // namespace vellora
