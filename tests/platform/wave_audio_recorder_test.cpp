#include "platform/wave_audio_recorder.h"

#include <gtest/gtest.h>

#include <array>

#include "measure/capture_sequence.h"
#include "platform/recorder_wave.h"
#include "recorder_refused_texts.h"
#include "recorder_test_support.h"

namespace vellora {
namespace {

namespace fs = std::filesystem;

class Recorder : public ::testing::Test {
  protected:
    InTemporaryFolder folder;
    FakeInput input;
    WaveAudioRecorder recorder{input};

    std::array<int32_t, 8> cycle() {
        std::array<int32_t, 8> codes{};
        for (size_t i = 0; i < codes.size(); ++i) codes[i] = recorder.send(captureCommands()[i]);
        return codes;
    }
};

TEST_F(Recorder, ACycleSavesExactlyTheRecordedSamplesBehindA44ByteHeader) {
    EXPECT_EQ(cycle(), (std::array<int32_t, 8>{}));
    EXPECT_EQ(input.lastCount, 8820u);
    EXPECT_EQ(input.lastBound, std::chrono::milliseconds(1900));

    const std::vector<uint8_t> f = readBytes("test.wav");
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
    // No temporary file is left beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), 1);
}

TEST_F(Recorder, OneCaptureDeviceAtATimeAfterManyCycles) {
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(cycle(), (std::array<int32_t, 8>{}));
        ASSERT_EQ(recorder.openDevices(), 1);
    }
    EXPECT_EQ(recorder.send("open new type waveaudio alias capture"), kDeviceInUse);
    EXPECT_EQ(recorder.send("open new type waveaudio alias other"), kDeviceInUse);
    EXPECT_EQ(recorder.openDevices(), 1);
    EXPECT_EQ(recorder.send("close all"), kRecorderOk);
    EXPECT_EQ(recorder.openDevices(), 0);
    // The input is given back after every recording and at every close.
    EXPECT_EQ(input.releases, 100 + 100);
}

TEST_F(Recorder, RefusedTextsChangeNothing) {
    cycle();
    const std::vector<uint8_t> saved = readBytes("test.wav");
    const FakeInput before = input;
    for (const std::string& t : kRefusedTexts) {
        EXPECT_EQ(recorder.send(t), kUnrecognisedCommand) << t;
        EXPECT_EQ(recorder.openDevices(), 1) << t;
    }
    EXPECT_EQ(input.opens + input.records + input.releases,
              before.opens + before.records + before.releases);
    EXPECT_EQ(readBytes("test.wav"), saved);
    // The recording is still held: saving it again gives the same file.
    EXPECT_EQ(recorder.send("save capture again.wav wait"), kRecorderOk);
    EXPECT_EQ(readBytes("again.wav"), saved);
}

struct FailureCase {
    const char* what;
    int32_t openResult, recordResult;
    std::array<int32_t, 8> codes;
};

class RecorderFailure : public Recorder, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(RecorderFailure, LeavesNoOlderFileBehindAndTellsWhy) {
    writeBytes("test.wav", std::vector<uint8_t>(8864, 7));  // an earlier cycle's clip
    input.openResult = GetParam().openResult;
    input.recordResult = GetParam().recordResult;
    EXPECT_EQ(cycle(), GetParam().codes);
    EXPECT_FALSE(fs::exists("test.wav"));
}

constexpr int32_t U = kUnknownDevice;
INSTANTIATE_TEST_SUITE_P(
    Cases, RecorderFailure,
    ::testing::Values(
        FailureCase{"NoInput", kNoInputDevice, kRecorderOk, {0, kNoInputDevice, U, U, U, U, U, U}},
        FailureCase{"Format", kFormatRefused, kRecorderOk, {0, kFormatRefused, U, U, U, U, U, U}},
        FailureCase{"Late",
                    kRecorderOk,
                    kNoAudioInTime,
                    {0, 0, 0, 0, 0, 0, kNoAudioInTime, kNoAudioInTime}},
        FailureCase{"Reopen",
                    kRecorderOk,
                    kNoInputDevice,
                    {0, 0, 0, 0, 0, 0, kNoInputDevice, kNoInputDevice}}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(Recorder, AFailedRecordingDoesNotSaveThePreviousOne) {
    cycle();
    input.recordResult = kNoAudioInTime;
    EXPECT_EQ(cycle()[7], kNoAudioInTime);
    EXPECT_FALSE(fs::exists("test.wav"));
}

TEST_F(Recorder, SaveWithoutARecordingAndUnwritableFilesFail) {
    cycle();
    writeBytes("test.wav", {1, 2, 3});
    EXPECT_EQ(recorder.send("seek capture to start"), kRecorderOk);
    EXPECT_EQ(recorder.send("save capture test.wav wait"), kNoAudioInTime);
    EXPECT_FALSE(fs::exists("test.wav"));

    EXPECT_EQ(recorder.send("record capture to 400 wait"), kRecorderOk);
    EXPECT_EQ(recorder.send("save capture no-such-folder/test.wav wait"), kFileNotWritten);
    EXPECT_EQ(recorder.send("close all"), kRecorderOk);
    writeBytes("test.wav", {1, 2, 3});
    EXPECT_EQ(recorder.send("save capture test.wav wait"), kUnknownDevice);
    EXPECT_FALSE(fs::exists("test.wav"));
}

TEST_F(Recorder, OnlyTheMetersFormatIsAccepted) {
    recorder.send("open new type waveaudio alias capture");
    for (const char* t : {"set capture samplespersec 44100", "set capture bitspersample 16",
                          "set capture channels 2", "set capture samplespersec 0"})
        EXPECT_EQ(recorder.send(t), kFormatRefused) << t;
    EXPECT_EQ(recorder.send("set other channels 1"), kUnknownDevice);
    EXPECT_EQ(recorder.send("set CAPTURE channels 1"), kRecorderOk);
}

TEST(RecorderWave, AnOddCountGetsAPadByteOutsideTheDataSize) {
    const std::vector<uint8_t> f = pcmWaveFile(std::vector<uint8_t>(441, 128), 22050);
    ASSERT_EQ(f.size(), 44u + 441u + 1u);
    EXPECT_EQ(f[4] | f[5] << 8, 36 + 442);
    EXPECT_EQ(f[40] | f[41] << 8, 441);
    EXPECT_EQ(f.back(), 0);
}

}  // namespace
}  // namespace vellora
