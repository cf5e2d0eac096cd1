#include "tools/recording_analysis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

namespace vellora {
namespace {

namespace fs = std::filesystem;

class Analysis : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("vellora_analysis_" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string write(const std::string& name, const std::vector<uint8_t>& bytes) {
        const fs::path p = dir / name;
        std::ofstream(p, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return p.string();
    }
    fs::path dir;
};

TEST_F(Analysis, ToneGivesBinAndReadOut) {
    std::vector<uint8_t> wav(8864, 128);
    for (size_t k = 44; k < wav.size(); ++k)
        wav[k] = uint8_t(std::lround(128 + 100 * std::sin(2 * M_PI * 440.0 * double(k - 44) / 22050)));
    const auto r = analyseRecordingFile(write("a.wav", wav), {});
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.bin, 82);
    EXPECT_EQ(r.readout, "444Hz");

    AnalysisOptions calibrated;
    calibrated.pasFrequence = 22050.0f / 4096.0f;
    EXPECT_EQ(analyseRecordingFile(write("a.wav", wav), calibrated).readout, "441Hz");
}

TEST_F(Analysis, UnreadableFilesAreReportedNotAnalysed) {
    EXPECT_FALSE(analyseRecordingFile((dir / "missing.wav").string(), {}).ok);
    const auto shortFile = analyseRecordingFile(write("short.wav", std::vector<uint8_t>(43, 1)), {});
    EXPECT_FALSE(shortFile.ok);
    EXPECT_NE(shortFile.error.find("43 bytes"), std::string::npos);
    EXPECT_FALSE(analyseRecordingFile(dir.string(), {}).ok);  // a folder
    const auto headerOnly = analyseRecordingFile(write("empty.wav", std::vector<uint8_t>(44, 0)), {});
    ASSERT_TRUE(headerOnly.ok);
    EXPECT_EQ(headerOnly.readout, "0Hz");
}

}  // namespace
}  // namespace vellora
