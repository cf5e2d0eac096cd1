#include "tools/recording_analysis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include <sys/stat.h>
#include <sys/wait.h>

#include "wave/recorder_wave.h"

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
    std::vector<uint8_t> samples(8820);
    for (size_t k = 0; k < samples.size(); ++k)
        samples[k] =
            uint8_t(std::lround(128 + 100 * std::sin(2 * M_PI * 440.0 * double(k) / 22050)));
    const std::vector<uint8_t> wav = pcmWaveFile(samples, 22050);
    const auto r = analyseRecordingFile(write("a.wav", wav), {});
    ASSERT_TRUE(r.status.ok()) << r.status.message();
    EXPECT_EQ(r.bin, 82);
    EXPECT_EQ(r.readout, "444Hz");

    AnalysisOptions calibrated;
    calibrated.pasFrequence = 22050.0f / 4096.0f;
    EXPECT_EQ(analyseRecordingFile(write("a.wav", wav), calibrated).readout, "441Hz");
}

TEST_F(Analysis, UnreadableFilesAreReportedNotAnalysed) {
    EXPECT_FALSE(analyseRecordingFile((dir / "missing.wav").string(), {}).status.ok());
    const auto shortFile =
        analyseRecordingFile(write("short.wav", std::vector<uint8_t>(43, 1)), {});
    EXPECT_FALSE(shortFile.status.ok());
    EXPECT_NE(shortFile.status.message().find("43 bytes"), std::string::npos);
    EXPECT_FALSE(analyseRecordingFile(dir.string(), {}).status.ok());  // a folder
    const auto noSound = analyseRecordingFile(write("zeros.wav", std::vector<uint8_t>(44, 0)), {});
    EXPECT_FALSE(noSound.status.ok());  // no WAVE header: no sound file
    const auto headerOnly = analyseRecordingFile(write("empty.wav", pcmWaveFile({}, 22050)), {});
    ASSERT_TRUE(headerOnly.status.ok()) << headerOnly.status.message();
    EXPECT_EQ(headerOnly.readout, "0Hz");
}

// The program itself: a FIFO and a 2 GB file among the arguments are reported, read
// only as far as the read-outs need, and the file after them is still analysed.
TEST_F(Analysis, TheToolReportsEachBadFileAndGoesOnWithTheNext) {
    std::vector<uint8_t> samples(8820);
    for (size_t k = 0; k < samples.size(); ++k)
        samples[k] =
            uint8_t(std::lround(128 + 100 * std::sin(2 * M_PI * 440.0 * double(k) / 22050)));
    const std::vector<uint8_t> wav = pcmWaveFile(samples, 22050);
    const std::string good = write("good.wav", wav);
    const std::string huge = write("huge.wav", wav);
    fs::resize_file(huge, std::uintmax_t(2) << 30);
    const std::string fifo = (dir / "fifo.wav").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);

    const std::string command =
        std::string(VELLORA_ANALYZE) + " --precise " + fifo + " " + huge + " " + good + " 2>&1";
    FILE* out = ::popen(command.c_str(), "r");
    ASSERT_NE(out, nullptr);
    std::string text;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, out)) text += buffer;
    const int status = ::pclose(out);
    EXPECT_EQ(WEXITSTATUS(status), 1) << "a bad file makes the status 1";
    EXPECT_NE(text.find(fifo + ": not a regular file"), std::string::npos) << text;
    EXPECT_NE(text.find(huge + "\t82\t444Hz\t"), std::string::npos) << text;
    EXPECT_NE(text.find(good + "\t82\t444Hz\t"), std::string::npos) << text;
}

}  // namespace
}  // namespace vellora
