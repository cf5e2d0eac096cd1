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

}  // namespace
}  // namespace vellora
