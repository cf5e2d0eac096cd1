#include "calibration/pitch_calibration.h"

#include <gtest/gtest.h>

#include <cmath>

#include "calibration/calibration_run.h"
#include "support/pitch_synth.h"

namespace vellora {
namespace {

// A card that really takes 22050 samples per second, read at the start-up scale. 500
// and 600 Hz lie on mains harmonics, which the belt's search discounts: a tone there
// must still be heard once the scale is right.
TEST(PitchCalibration, OneStepBringsTheEstimateToTheToneFrequency) {
    constexpr float kStartScale = 5.4171f;
    constexpr double kOneSlider = 0.002 / 5.4;  // one position is about 0.04 %
    for (const int16_t tone : {440, 500, 600}) {
        SCOPED_TRACE(tone);
        const std::vector<uint8_t> clip = synth::pureTone(tone, 22050);
        PitchEstimator estimator(calibrationPitchOptions(tone));
        const auto before = estimator.estimate(clip, kStartScale);
        ASSERT_TRUE(before);
        ASSERT_GT(before->hz, tone * 1.005);  // the uncalibrated reading is visibly off
        const auto setting = autoCalibrationSetting(before->hz, kStartScale, tone);
        ASSERT_TRUE(setting);
        EXPECT_EQ(setting->position, 495);  // 512 + (22050 / 4096 - 5.4171) * 500 = 495.1
        EXPECT_FALSE(setting->limited);
        const auto after = estimator.estimate(clip, setting->pasFrequence);
        ASSERT_TRUE(after);
        EXPECT_NEAR(after->hz, tone, kOneSlider * tone);
    }
}

TEST(PitchCalibration, EndsOfTheSliderAndNonsense) {
    const auto low = autoCalibrationSetting(1000, 5.4171f, 100);
    const auto high = autoCalibrationSetting(10, 5.4171f, 100);
    EXPECT_TRUE(low && low->position == 0 && low->limited);
    EXPECT_TRUE(high && high->position == 1024 && high->limited);
    EXPECT_EQ(autoCalibrationSetting(100, 5.4171f, 100)->position, 512);
    EXPECT_FALSE(autoCalibrationSetting(0, 5.4171f, 100) ||
                 autoCalibrationSetting(NAN, 5.4171f, 100) ||
                 autoCalibrationSetting(100, 5.4171f, 0));
}

}  // namespace
}  // namespace vellora
