// SPDX-License-Identifier: GPL-3.0-or-later
#include "calibration/pitch_calibration.h"

#include <gtest/gtest.h>

#include "calibration/calibration_run.h"
#include "support/pitch_synth.h"

namespace vellora {
namespace {

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

}  // namespace
}  // namespace vellora
