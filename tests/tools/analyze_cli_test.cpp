// SPDX-License-Identifier: GPL-3.0-or-later
// vellora-analyze as a user runs it: options, exit status and one line per file.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <sys/stat.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

#include "support/pitch_synth.h"
#include "support/profile_test_support.h"
#include "wave/recorder_wave.h"

namespace vellora {
namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status;
    std::string out, err;
};

class AnalyzeCommand : public ::testing::Test {
  protected:
    Outcome run(const std::string& arguments) {
        const int raw = std::system((std::string(VELLORA_ANALYZE) + " " + arguments + " >" +
                                     (dir / "out").string() + " 2>" + (dir / "err").string())
                                        .c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, testing::readBytes(dir / "out"),
                testing::readBytes(dir / "err")};
    }

    // The meter's clip of a tone: 400 ms, 8-bit mono at 22050 per second; plucked: dying
    // away with a time constant of 0.3 s (the precise column refuses a held tone).
    std::string clip(const std::string& name, double hz, bool plucked = false) {
        std::vector<uint8_t> samples = synth::pureTone(hz, 22050);
        for (size_t i = 0; plucked && i < samples.size(); ++i)
            samples[i] =
                uint8_t(std::lround(128 + (samples[i] - 128) * std::exp(-double(i) / 6615)));
        const std::vector<uint8_t> file = pcmWaveFile(samples, 22050);
        testing::writeBytes(dir / name, std::string(file.begin(), file.end()));
        return (dir / name).string();
    }
    testing::TempFolder dir;
};

// With few bins the pen of the meter's 1024-unit plot grows wider than the bar count
// and the plot shows no read-out; the analyser gives one for every count it accepts.
TEST_F(AnalyzeCommand, EveryBinCountAcceptedGivesAReadout) {
    // Tones on bins 3, 20 and 31 of the exact 22050 / 4096 scale; the line after the name.
    const struct {
        int bins;
        double hz;
        const char* line;
    } cases[] = {
        {3, 3 * 22050.0 / 4096, "\t3\t16Hz\n"},     {20, 20 * 22050.0 / 4096, "\t20\t108Hz\n"},
        {31, 20 * 22050.0 / 4096, "\t20\t108Hz\n"}, {31, 31 * 22050.0 / 4096, "\t31\t167Hz\n"},
        {32, 31 * 22050.0 / 4096, "\t31\t167Hz\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bins);
        const std::string file = clip("tone.wav", c.hz);
        const Outcome r = run("--step 5.38330078125 --bins " + std::to_string(c.bins) + " " + file);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, file + c.line);
    }
}

// Each bad file is reported alone and the status is 1: undecodable, shorter than a header,
// a broken RIFF, missing, a folder, a FIFO that must not be waited on. A 2 GB file is read
// only as far as the read-outs need; a header without samples holds no sound to read. 131 Hz in
// 22050 samples a second: bin 131 / (22050 / 4096) = 24.3, read with the default step as
// 24 x 5.4171 = 130.0 Hz; the precise column follows.
TEST_F(AnalyzeCommand, EachBadFileFailsAloneAndTheOthersAreAnalysed) {
    for (const char* name : {"a.wav", "huge.wav", "b.wav"}) clip(name, 131, true);
    fs::resize_file(dir / "huge.wav", std::uintmax_t(2) << 30);
    std::vector<uint8_t> broken = pcmWaveFile(std::vector<uint8_t>(100, 128), 22050);
    broken[8] = 'X';  // not "WAVE"
    const std::vector<uint8_t> silent = pcmWaveFile({}, 22050);
    testing::writeBytes(dir / "notes.txt", "not a recording at all, but long enough for one");
    testing::writeBytes(dir / "short.wav", std::string(43, 1));
    testing::writeBytes(dir / "broken.wav", std::string(broken.begin(), broken.end()));
    testing::writeBytes(dir / "silent.wav", std::string(silent.begin(), silent.end()));
    fs::create_directory(dir / "folder.wav");
    ASSERT_EQ(::mkfifo((dir / "fifo.wav").c_str(), 0644), 0);
    std::string arguments = "--precise";
    for (const char* name : {"a.wav", "notes.txt", "short.wav", "broken.wav", "missing.wav",
                             "folder.wav", "fifo.wav", "huge.wav", "silent.wav", "b.wav"})
        arguments += " " + (dir / name).string();
    const Outcome r = run(arguments);
    EXPECT_EQ(r.status, 1);
    std::istringstream lines(r.out);
    std::string line;
    const std::pair<const char*, const char*> analysed[] = {
        {"a.wav", "\t24\t130Hz\t1"}, {"huge.wav", "\t24\t130Hz\t1"}, {"b.wav", "\t24\t130Hz\t1"}};
    for (const auto& [name, reads] : analysed) {
        ASSERT_TRUE(std::getline(lines, line));
        EXPECT_EQ(line.rfind((dir / name).string() + reads, 0), 0u) << line;
    }
    EXPECT_FALSE(std::getline(lines, line));
    for (const char* says :
         {"notes.txt: not a sound file", "short.wav: only 43 bytes",
          "broken.wav: ", "missing.wav: no such file", "folder.wav: not a regular file",
          "fifo.wav: not a regular file", "silent.wav: holds no sound"})
        EXPECT_NE(r.err.find(says), std::string::npos) << says << " in " << r.err;
}

}  // namespace
}  // namespace vellora
