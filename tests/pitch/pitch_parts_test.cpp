// The estimator's transform, the recording's sample bytes and the calibration helper.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numbers>

#include <sys/stat.h>

#include "calibration/calibration_run.h"
#include "calibration/pitch_calibration.h"
#include "pitch/pitch_fft.h"
#include "pitch/pitch_samples.h"
#include "support/pitch_synth.h"
#include "support/profile_test_support.h"

namespace vellora {
namespace {

TEST(PitchFft, MatchesAPlainDftAndInvertsIt) {
    constexpr size_t n = 64;
    constexpr double kBound = 1e-9;  // double rounding over 6 stages of 64 points
    synth::Random random(3);
    std::vector<double> x(n), back(n);
    for (double& v : x) v = random.uniform(-1, 1);
    std::vector<std::complex<double>> X(n / 2 + 2, {7, 7});  // one marker slot
    PitchFft fft(n);
    fft.forward(x.data(), X.data());
    for (size_t k = 0; k <= n / 2; ++k) {
        std::complex<long double> sum = 0;
        for (size_t t = 0; t < n; ++t)
            sum += (long double)x[t] *
                   std::polar(1.0L, -2 * std::numbers::pi_v<long double> * k * t / n);
        EXPECT_NEAR(X[k].real(), double(sum.real()), kBound) << k;
        EXPECT_NEAR(X[k].imag(), double(sum.imag()), kBound) << k;
    }
    EXPECT_EQ(X[n / 2 + 1], std::complex<double>(7, 7));
    fft.inverse(X.data(), back.data());
    for (size_t t = 0; t < n; ++t) EXPECT_NEAR(back[t], x[t], kBound);
}

std::vector<uint8_t> chunk(const char* id, std::vector<uint8_t> body, uint32_t size) {
    std::vector<uint8_t> c(id, id + 4);
    for (int i = 0; i < 4; ++i) c.push_back(uint8_t(size >> (8 * i)));
    c.insert(c.end(), body.begin(), body.end());
    return c;
}

std::vector<uint8_t> riff(std::initializer_list<std::vector<uint8_t>> chunks) {
    std::vector<uint8_t> f = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    for (const auto& c : chunks) f.insert(f.end(), c.begin(), c.end());
    return f;
}

TEST(PitchSamples, TheDataChunkWhereverItIsAndNeverPastTheEnd) {
    const std::vector<uint8_t> fmt(16, 0);
    // An odd-sized chunk before the data is followed by a pad byte.
    EXPECT_EQ(recordingSamples(riff({chunk("fmt ", fmt, 16), chunk("LIST", {1, 2, 3, 0}, 3),
                                     chunk("data", {10, 20, 30}, 3)})),
              (std::vector<uint8_t>{10, 20, 30}));
    EXPECT_EQ(recordingSamples(riff({chunk("fmt ", fmt, 16), chunk("data", {5, 6}, 9000)})),
              (std::vector<uint8_t>{5, 6}));
    // No chunk list: everything after a canonical header.
    std::vector<uint8_t> raw(50, 1);
    raw[44] = 9;
    EXPECT_EQ(recordingSamples(raw), (std::vector<uint8_t>{9, 1, 1, 1, 1, 1}));
    EXPECT_TRUE(recordingSamples(std::vector<uint8_t>(44, 1)).empty());
    EXPECT_TRUE(readRecordingSamples("/nonexistent/test.wav").empty());
}

// A FIFO is not waited on; a 2 GB recording costs what the estimator uses, no more.
TEST(PitchSamples, OnlyARegularFileIsReadAndOnlyWhatTheEstimatorUses) {
    testing::TempFolder dir;
    ASSERT_EQ(::mkfifo((dir / "fifo.wav").c_str(), 0644), 0);
    EXPECT_TRUE(readRecordingSamples((dir / "fifo.wav").string()).empty());

    std::vector<uint8_t> header = riff(
        {chunk("fmt ", std::vector<uint8_t>(16, 0), 16), chunk("data", {7, 8, 9}, 0x7FFFFFF0u)});
    const auto huge = dir / "huge.wav";
    std::ofstream(huge, std::ios::binary)
        .write(reinterpret_cast<const char*>(header.data()), std::streamsize(header.size()));
    std::filesystem::resize_file(huge, std::uintmax_t(2) << 30);
    const std::vector<uint8_t> samples = readRecordingSamples(huge.string());
    ASSERT_EQ(samples.size(), kRecordingReadLimit - (header.size() - 3));
    EXPECT_GE(samples.size(), kMostEstimatedSamples);
    EXPECT_EQ(samples[0], 7);
    EXPECT_EQ(samples[2], 9);
}

// A card that really takes 22050 samples per second, read at the start-up scale.
TEST(PitchCalibration, OneStepBringsTheEstimateToTheToneFrequency) {
    constexpr float kStartScale = 5.4171f;
    constexpr int16_t kTone = 440;
    constexpr double kOneSlider = 0.002 / 5.4;  // one position is about 0.04 %
    const std::vector<uint8_t> clip = synth::pureTone(kTone, 22050);
    PitchEstimator estimator(calibrationPitchOptions(kTone));
    const auto before = estimator.estimate(clip, kStartScale);
    ASSERT_TRUE(before);
    ASSERT_GT(before->hz, kTone * 1.005);  // the uncalibrated reading is visibly off

    const auto setting = autoCalibrationSetting(before->hz, kStartScale, kTone);
    ASSERT_TRUE(setting);
    EXPECT_EQ(setting->position, 495);  // 512 + (22050 / 4096 - 5.4171) * 500 = 495.1
    EXPECT_EQ(setting->pasFrequence, pasFrequenceForSlider(0, 1024, setting->position));
    EXPECT_FALSE(setting->limited);
    const auto after = estimator.estimate(clip, setting->pasFrequence);
    ASSERT_TRUE(after);
    EXPECT_NEAR(after->hz, kTone, kOneSlider * kTone);
}

TEST(PitchCalibration, EndsOfTheSliderAndNonsense) {
    const auto low = autoCalibrationSetting(1000, 5.4171f, 100);
    ASSERT_TRUE(low);
    EXPECT_EQ(low->position, 0);
    EXPECT_TRUE(low->limited);
    const auto high = autoCalibrationSetting(10, 5.4171f, 100);
    ASSERT_TRUE(high);
    EXPECT_EQ(high->position, 1024);
    EXPECT_TRUE(high->limited);
    EXPECT_EQ(autoCalibrationSetting(100, 5.4171f, 100)->position, 512);
    EXPECT_FALSE(autoCalibrationSetting(0, 5.4171f, 100));
    EXPECT_FALSE(autoCalibrationSetting(NAN, 5.4171f, 100));
    EXPECT_FALSE(autoCalibrationSetting(100, 5.4171f, 0));
}

}  // namespace
}  // namespace vellora
