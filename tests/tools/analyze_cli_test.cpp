// SPDX-License-Identifier: GPL-3.0-or-later
// vellora-analyze as a user runs it: options, exit status and one line per file.
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
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
        testing::writeBytes(dir / name, pcmWaveFile(samples, 22050));
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
        {3, 3 * 22050.0 / 4096, "\t3\t16\n"},     {20, 20 * 22050.0 / 4096, "\t20\t108\n"},
        {31, 20 * 22050.0 / 4096, "\t20\t108\n"}, {31, 31 * 22050.0 / 4096, "\t31\t167\n"},
        {32, 31 * 22050.0 / 4096, "\t31\t167\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bins);
        const std::string file = clip("tone.wav", c.hz);
        const Outcome r = run("--bins " + std::to_string(c.bins) + " " + file);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, file + c.line);
    }
}

// Each bad file is reported alone and the status is 1: undecodable, shorter than a header,
// a broken RIFF, missing, a folder, a FIFO that must not be waited on. A 2 GB file is read
// only as far as the read-outs need; a header without samples holds no sound to read. 131 Hz in
// 22050 samples a second: bin 131 / (22050 / 4096) = 24.3, read on the file's own scale
// as 24 x 5.3833 = 129.2 Hz; the precise column follows.
TEST_F(AnalyzeCommand, EachBadFileFailsAloneAndTheOthersAreAnalysed) {
    for (const char* name : {"a.wav", "huge.wav", "b.wav"}) clip(name, 131, true);
    fs::resize_file(dir / "huge.wav", std::uintmax_t(2) << 30);
    std::vector<uint8_t> broken = pcmWaveFile(std::vector<uint8_t>(100, 128), 22050);
    broken[8] = 'X';  // not "WAVE"
    testing::writeBytes(dir / "notes.txt", "not a recording at all, but long enough for one");
    testing::writeBytes(dir / "short.wav", std::string(43, 1));
    testing::writeBytes(dir / "broken.wav", broken);
    testing::writeBytes(dir / "silent.wav", pcmWaveFile({}, 22050));
    fs::create_directory(dir / "folder.wav");
    ASSERT_EQ(::mkfifo((dir / "fifo.wav").c_str(), 0644), 0);
    clip("locked.wav", 131);
    fs::permissions(dir / "locked.wav", fs::perms::none);
    // Root reads any file: the permission case needs an ordinary user.
    const bool locked = ::access((dir / "locked.wav").c_str(), R_OK) != 0;
    std::string arguments = "--precise";
    for (const char* name : {"a.wav", "notes.txt", "short.wav", "broken.wav", "missing.wav",
                             "folder.wav", "fifo.wav", "huge.wav", "silent.wav", "b.wav"})
        arguments += " " + (dir / name).string();
    if (locked) arguments += " " + (dir / "locked.wav").string();
    const Outcome r = run(arguments);
    EXPECT_EQ(r.status, 1);
    std::istringstream lines(r.out);
    std::string line;
    const std::pair<const char*, const char*> analysed[] = {
        {"a.wav", "\t24\t129\t1"}, {"huge.wav", "\t24\t129\t1"}, {"b.wav", "\t24\t129\t1"}};
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
    if (locked) {
        EXPECT_NE(r.err.find("locked.wav: Permission denied"), std::string::npos) << r.err;
    }
}

// The scale: by default the file's stated 22050 a second is true, so a belt plucked at
// 200 Hz reads 200; on an uncalibrated meter's scale (5.4171 Hz a bin, a card taking
// 22188.4 a second) the same clip reads 200 x 22188.4 / 22050 = 201.26, whether the step
// is given or taken from a settings file holding the middle slider position. READOUT is
// the meter's whole hertz of its strongest bar, here the second partial: bin 74
// (400 / 5.3833 = 74.3), 74 x 5.3833 = 398 Hz, on the other scale 74 x 5.4171 = 401 Hz.
TEST_F(AnalyzeCommand, ScaleComesFromTheFileOrFromTheMeterCalibration) {
    synth::StiffPluck pluck;
    pluck.firstModeHz = 200;
    synth::Random random(7);
    testing::writeBytes(dir / "pluck.wav", pcmWaveFile(synth::render(pluck, random), 22050));
    const std::string file = (dir / "pluck.wav").string();
    testing::writeBytes(dir / "Vellora.ini", "[SETTINGS]\nAjustement=512\n");
    const std::string settings = (dir / "Vellora.ini").string();
    const struct {
        std::string options;
        const char* columns;
        double precise;
    } cases[] = {
        {"--header --precise", "\t74\t398\t", 200.0},
        {"--header --precise --step 5.4171", "\t74\t401\t", 201.26},
        {"--header --precise --settings " + settings, "\t74\t401\t", 201.26},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options);
        const Outcome r = run(c.options + " " + file);
        ASSERT_EQ(r.status, 0) << r.err;
        std::istringstream lines(r.out);
        std::string header, line;
        ASSERT_TRUE(std::getline(lines, header));
        EXPECT_EQ(header, "FILE\tBIN\tREADOUT\tPRECISE\tB");
        ASSERT_TRUE(std::getline(lines, line));
        ASSERT_EQ(line.rfind(file + c.columns, 0), 0u) << line;
        const std::string precise = line.substr(file.size() + std::strlen(c.columns));
        ASSERT_NE(precise[0], '-') << line;
        EXPECT_NEAR(std::stod(precise), c.precise, 0.1) << line;
    }
}

// A wrong command line: one line saying what is wrong, a pointer to --help, status 2 and
// nothing on standard output. An unreadable settings file stops before any file.
TEST_F(AnalyzeCommand, WrongCommandLineSaysWhatInOneLine) {
    const std::string file = clip("tone.wav", 200);
    const std::pair<std::string, const char*> cases[] = {
        {"--frobnicate " + file, "unknown option --frobnicate"},
        {"", "no FILE"},
        {"--step " + file, "--step needs a number"},
        {"--bins 1 " + file, "--bins must be"},
        {"--step 5.4 --settings x.ini " + file, "use one"},
        {"--settings " + (dir / "none.ini").string() + " " + file, "none.ini: no such file"},
    };
    for (const auto& [arguments, says] : cases) {
        SCOPED_TRACE(arguments);
        const Outcome r = run(arguments);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
        EXPECT_LE(std::count(r.err.begin(), r.err.end(), '\n'), 2) << r.err;
    }
}

// Through pipes: the first file's line arrives while standard input, the second file
// ("-"), is still open, so a line is written as soon as its file is done; "-" is then
// read like any file.
TEST_F(AnalyzeCommand, LinesArriveThroughAPipeAsEachFileEnds) {
    const std::string file = clip("tone.wav", 200);
    const std::vector<uint8_t> second = pcmWaveFile(synth::pureTone(131, 22050), 22050);
    int in[2], out[2];
    ASSERT_EQ(::pipe(in), 0);
    ASSERT_EQ(::pipe(out), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    for (int fd : {in[0], in[1], out[0], out[1]}) posix_spawn_file_actions_addclose(&actions, fd);
    std::string program = VELLORA_ANALYZE, header = "--header", dash = "-";
    char* argv[] = {program.data(), header.data(), const_cast<char*>(file.c_str()), dash.data(),
                    nullptr};
    pid_t pid = 0;
    ASSERT_EQ(::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);

    // Reads until `lines` lines have come, waiting at most 20 s in all.
    std::string got;
    auto readLines = [&](long lines) {
        for (int waited = 0; std::count(got.begin(), got.end(), '\n') < lines && waited < 200;) {
            pollfd p{out[0], POLLIN, 0};
            if (::poll(&p, 1, 100) == 0) {
                ++waited;
                continue;
            }
            char buffer[4096];
            const ssize_t n = ::read(out[0], buffer, sizeof buffer);
            if (n <= 0) break;
            got.append(buffer, size_t(n));
        }
    };
    readLines(2);
    EXPECT_EQ(got, "FILE\tBIN\tREADOUT\n" + file + "\t37\t199\n");
    EXPECT_EQ(::write(in[1], second.data(), second.size()), ssize_t(second.size()));
    ::close(in[1]);
    readLines(3);
    ::close(out[0]);
    int raw = 0;
    ASSERT_EQ(::waitpid(pid, &raw, 0), pid);
    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0);
    EXPECT_NE(got.find("\n-\t24\t129\n"), std::string::npos) << got;
}

}  // namespace
}  // namespace vellora
