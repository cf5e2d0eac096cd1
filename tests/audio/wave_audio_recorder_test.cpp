// SPDX-License-Identifier: GPL-3.0-or-later
// The command set, the device behind it and the capture sequence, against a scripted input.
#include "audio/wave_audio_recorder.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "audio/capture_sequence.h"
#include "support/recorder_test_support.h"

namespace vellora {
namespace {

namespace fs = std::filesystem;

// Passes each command on and keeps every code, so a cycle's eight results can be read.
struct LoggingRecorder : CommandRecorder {
    explicit LoggingRecorder(CommandRecorder& r) : inner(r) {}
    int32_t send(std::string_view command) override {
        return codes.emplace_back(inner.send(command));
    }
    CommandRecorder& inner;
    std::vector<int32_t> codes;
};

class Recorder : public ::testing::Test {
  protected:
    // The eight codes of one capture sequence, which returns the first failure.
    std::vector<int32_t> cycle() {
        LoggingRecorder log(recorder);
        int32_t retour = -1;
        const int32_t first = sendCaptureSequence(log, retour);
        EXPECT_EQ(retour, log.codes.back());
        const auto failed =
            std::find_if(log.codes.begin(), log.codes.end(), [](int32_t c) { return c; });
        EXPECT_EQ(first, failed == log.codes.end() ? 0 : *failed);
        return log.codes;
    }
    InTemporaryFolder folder;
    FakeInput input;
    WaveAudioRecorder recorder{input};
};

TEST_F(Recorder, ACycleSavesExactlyTheRecordedSamplesBehindA44ByteHeader) {
    EXPECT_EQ(cycle(), std::vector<int32_t>(8, kRecorderOk));
    const auto f = testing::readBytes<std::vector<uint8_t>>("test.wav");
    ASSERT_EQ(f.size(), 44u + 8820u);
    const uint8_t header[44] = {
        'R',  'I',  'F', 'F', 0x98, 0x22, 0,   0,    // 36 + 8820 bytes follow
        'W',  'A',  'V', 'E', 'f',  'm',  't', ' ',  //
        16,   0,    0,   0,   1,    0,    1,   0,    // 16-byte format chunk, PCM, mono
        0x22, 0x56, 0,   0,   0x22, 0x56, 0,   0,    // 22050 Hz, 22050 bytes/s
        1,    0,    8,   0,                          // align 1, 8 bits
        'd',  'a',  't', 'a', 0x74, 0x22, 0,   0};   // 8820 samples
    EXPECT_TRUE(std::equal(std::begin(header), std::end(header), f.begin()));
    for (size_t i = 0; i < 8820; ++i) ASSERT_EQ(f[44 + i], uint8_t(i)) << i;
    EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), 1);
}

TEST_F(Recorder, OneDeviceAtATimeAndTextsOutsideTheSetChangeNothing) {
    for (int i = 0; i < 3; ++i) cycle();
    EXPECT_EQ(input.releases, 3 + 2);  // after every recording and every close
    EXPECT_EQ(recorder.send("open new type waveaudio alias other"), kDeviceInUse);
    const std::string saved = testing::readBytes("test.wav");
    const int calls = input.opens + input.records + input.releases;
    for (const char* t : {"", "close", "close\tall", "open new type cdaudio alias capture",
                          "seek capture to end", "set capture samplespersec 22050x",
                          "set capture samplespersec 1234567890", "record capture to 400",
                          "record capture to 60001 wait", "save capture test.wav wait now"})
        EXPECT_EQ(recorder.send(t), kUnrecognisedCommand) << t;
    EXPECT_EQ(input.opens + input.records + input.releases, calls);
    EXPECT_EQ(testing::readBytes("test.wav"), saved);
    // Blanks and case are free; the recording is still held.
    EXPECT_EQ(recorder.send("  SAVE   Capture again.wav WAIT "), kRecorderOk);
    EXPECT_EQ(testing::readBytes("again.wav"), saved);
    EXPECT_EQ(recorder.send("set CAPTURE bitspersample 16"), kFormatRefused);
    EXPECT_EQ(recorder.send("set captura channels 1"), kUnknownDevice);
}

// A failed cycle leaves neither an older file nor the device's previous recording behind,
// and sends all eight commands whatever each returned.
TEST_F(Recorder, AFailedCycleLeavesNoOlderClipBehindAndTellsWhy) {
    constexpr int32_t U = kUnknownDevice, L = kNoAudioInTime, N = kNoInputDevice;
    const struct {
        const char* what;
        int32_t openResult, recordResult;
        std::vector<int32_t> codes;
    } cases[] = {
        {"no input", N, kRecorderOk, {0, N, U, U, U, U, U, U}},
        {"late", kRecorderOk, L, {0, 0, 0, 0, 0, 0, L, L}},
    };
    for (const auto& c : cases) {
        input = FakeInput{};
        cycle();
        testing::writeBytes("test.wav", std::vector<uint8_t>(8864, 7));
        input.openResult = c.openResult;
        input.recordResult = c.recordResult;
        EXPECT_EQ(cycle(), c.codes) << c.what;
        EXPECT_FALSE(fs::exists("test.wav")) << c.what;
    }
}

// A save that cannot be written says so and leaves what was there.
TEST_F(Recorder, SaveWithoutARecordingOrToAnUnwritablePlaceFails) {
    cycle();
    EXPECT_EQ(recorder.send("seek capture to start"), kRecorderOk);
    EXPECT_EQ(recorder.send("save capture test.wav wait"), kNoAudioInTime);
    EXPECT_FALSE(fs::exists("test.wav"));
    EXPECT_EQ(recorder.send("record capture to 400 wait"), kRecorderOk);
    testing::writeBytes("test.wav", "\4\5\6");
    fs::permissions("test.wav", fs::perms::owner_read);
    EXPECT_EQ(recorder.send("save capture test.wav wait"), kFileNotWritten);
    EXPECT_EQ(fs::file_size("test.wav"), 3u);
}

}  // namespace
}  // namespace vellora
