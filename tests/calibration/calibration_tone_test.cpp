#include "calibration/calibration_tone.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace vellora {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> readAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

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

TEST(CalibrationTone, EveryFrequencyMatchesAnIndependentComputationAndEndsOnTheZeroLine) {
    for (int freq = 0; freq <= 5000; ++freq) {
        const ToneFile f = calibrationToneBytes(int16_t(freq));
        ASSERT_EQ(f.back(), 128) << freq;
        if (freq == 0) {
            ASSERT_TRUE(std::all_of(f.begin() + 46, f.end(), [](uint8_t s) { return s == 128; }));
        }
        // Independent: the phase step through float arithmetic, the sine in double, and
        // rint's default halves-to-even rounding.
        const float w = float(double(freq) * 2 * 3.14159265358979 / 22050.0);
        for (int k : {1, 2, 3, 1000, 11025, 22049}) {
            const auto expected = uint8_t(std::rint(127.0 * std::sin(double(k) * w) + 128.0));
            ASSERT_EQ(f[45 + k], expected) << freq << " " << k;
        }
    }
}

class ToneFileOnDisk : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("vellora_tone_" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    fs::path dir;
};

TEST_F(ToneFileOnDisk, ReplacesALongerOldFileWithExactlyTheToneOrReportsAnUnwritableFolder) {
    std::ofstream(dir / "Calibration.wav", std::ios::binary) << std::string(50000, 'x');
    int16_t frequenceCal = 110;
    ASSERT_TRUE(WriteCalibrationTone(440, frequenceCal, dir).ok);
    EXPECT_EQ(frequenceCal, 440);
    const auto once = readAll(dir / "Calibration.wav");
    ASSERT_EQ(once.size(), 22096u);
    ASSERT_TRUE(WriteCalibrationTone(440, frequenceCal, dir).ok);
    EXPECT_EQ(readAll(dir / "Calibration.wav"), once);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);  // no temp

    // A folder path whose parent is a regular file cannot be written, even as root.
    const ToneWriteResult r = WriteCalibrationTone(110, frequenceCal, dir / "Calibration.wav");
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.empty());
    EXPECT_EQ(frequenceCal, 440);
}

}  // namespace
}  // namespace vellora
