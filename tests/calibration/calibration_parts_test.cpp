// SPDX-License-Identifier: GPL-3.0-or-later
// The calibration's parts: the tone file it writes and plays, the scale Auto-calibrate
// sets from the tone heard, and the frequency typed in its dialog.
#include <gtest/gtest.h>

#include <algorithm>

#include "calibration/calibration_run.h"
#include "calibration/calibration_tone.h"
#include "calibration/pitch_calibration.h"
#include "calibration/typed_frequency.h"
#include "support/pitch_synth.h"

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

// A card that really takes 22050 samples per second, read at the start-up scale. 500
// Hz lies on mains harmonics, which the belt's search discounts: it must still be heard.
TEST(PitchCalibration, OneStepBringsTheEstimateToTheToneFrequency) {
    constexpr float kStartScale = 5.4171f;
    constexpr double kOneSlider = 0.002 / 5.4;  // one position is about 0.04 %
    for (const int16_t tone : {440, 500}) {
        const std::vector<uint8_t> clip = synth::pureTone(tone, 22050);
        PitchEstimator estimator(calibrationPitchOptions(tone));
        const auto before = estimator.estimate(clip, kStartScale);
        ASSERT_TRUE(before && before->hz > tone * 1.005);  // uncalibrated: visibly off
        const auto setting = autoCalibrationSetting(before->hz, kStartScale, tone);
        ASSERT_TRUE(setting && !setting->limited);
        EXPECT_EQ(setting->position, 495);  // 512 + (22050 / 4096 - 5.4171) * 500 = 495.1
        const auto after = estimator.estimate(clip, setting->pasFrequence);
        ASSERT_TRUE(after);
        EXPECT_NEAR(after->hz, tone, kOneSlider * tone) << tone;
    }
}

// The slider spans 5.4171 -/+ 1.024 Hz per bin (500 positions a hertz). A card so far off
// that the wanted scale lies past either end takes that end and says so; one just inside
// either end does not.
TEST(PitchCalibration, OnlyAScalePastEitherEndOfTheSliderIsLimited) {
    const struct {
        double estimateHz;  // of a 440 Hz tone read at 5.4171
        int16_t position;
        bool limited;
    } rows[] = {
        {600.0, 0, true},      // wants 3.97
        {541.71, 3, false},    // wants 4.400: (4.400 - 4.3931) x 500 = 3.45
        {440.0, 512, false},   // already right
        {371.0, 1016, false},  // wants 6.4246: 512 + 503.75
        {300.0, 1024, true},   // wants 7.95
    };
    for (const auto& r : rows) {
        const auto setting = autoCalibrationSetting(r.estimateHz, 5.4171f, 440);
        ASSERT_TRUE(setting) << r.estimateHz;
        EXPECT_EQ(setting->position, r.position) << r.estimateHz;
        EXPECT_EQ(setting->limited, r.limited) << r.estimateHz;
    }
}

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
