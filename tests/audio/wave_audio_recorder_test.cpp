// The command set and the device behind it, against a scripted input.
#include "audio/wave_audio_recorder.h"

#include <gtest/gtest.h>

#include <array>

#include "audio/capture_sequence.h"
#include "audio/recorder_command.h"
#include "support/recorder_test_support.h"
#include "wave/recorder_wave.h"

namespace vellora {
namespace {

namespace fs = std::filesystem;
using Verb = RecorderCommand::Verb;

// Outside the command set: near misses of each command, blanks and other devices.
const std::vector<std::string> kRefusedTexts = {
    "",
    "   ",
    "close",
    "close\tall",
    "open new type waveaudio alias",
    "open new type cdaudio alias capture",
    "seek capture to end",
    "set capture samplespersec 22050x",
    "set capture samplespersec 1234567890",
    "set capture volume 5",
    "record capture to 400",
    "record capture to 60001 wait",
    "record capture from 0 to 400 wait",
    "save capture test.wav wait now",
    "play capture",
};

TEST(RecorderCommand, EveryCommandOfTheSetWithItsArgumentsAndNothingElse) {
    const struct {
        std::string text;
        Verb verb;
        std::string alias;
        uint32_t value;
        std::string file;
    } cases[] = {
        {"CLOSE ALL", Verb::CloseAll, "", 0, ""},
        {"close capture", Verb::Close, "capture", 0, ""},
        {"open new type waveaudio alias capture", Verb::Open, "capture", 0, ""},
        {"seek capture to start", Verb::SeekStart, "capture", 0, ""},
        {"set capture samplespersec  22050", Verb::SetRate, "capture", 22050, ""},
        {"set capture bitspersample 8", Verb::SetBits, "capture", 8, ""},
        {"set capture channels 1", Verb::SetChannels, "capture", 1, ""},
        {"  record   Capture to 60000 WAIT ", Verb::Record, "Capture", 60000, ""},
        {"save capture Test.WAV wait", Verb::Save, "capture", 0, "Test.WAV"},
    };
    for (const auto& c : cases) {
        const auto p = parseRecorderCommand(c.text);
        ASSERT_TRUE(p) << c.text;
        EXPECT_EQ(p->verb, c.verb) << c.text;
        EXPECT_EQ(p->alias, c.alias) << c.text;
        EXPECT_EQ(p->value, c.value) << c.text;
        EXPECT_EQ(p->file, c.file) << c.text;
    }
    for (const std::string& t : kRefusedTexts) EXPECT_FALSE(parseRecorderCommand(t)) << t;
}

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

    // An odd count gets a pad byte outside the data size.
    const std::vector<uint8_t> odd = pcmWaveFile(std::vector<uint8_t>(441, 128), 22050);
    ASSERT_EQ(odd.size(), 44u + 441u + 1u);
    EXPECT_EQ(odd[4] | odd[5] << 8, 36 + 442);
    EXPECT_EQ(odd[40] | odd[41] << 8, 441);
    EXPECT_EQ(odd.back(), 0);
}

TEST_F(Recorder, OneCaptureDeviceAtATimeAfterManyCycles) {
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(cycle(), (std::array<int32_t, 8>{}));
        ASSERT_EQ(recorder.openDevices(), 1);
    }
    EXPECT_EQ(recorder.send("open new type waveaudio alias capture"), kDeviceInUse);
    EXPECT_EQ(recorder.send("open new type waveaudio alias other"), kDeviceInUse);
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

// A failed cycle never leaves a clip behind, neither an older file nor the previous
// recording still held by the device, and tells why.
TEST_F(Recorder, AFailedCycleLeavesNoOlderClipBehindAndTellsWhy) {
    constexpr int32_t U = kUnknownDevice, L = kNoAudioInTime, N = kNoInputDevice;
    const struct {
        const char* what;
        int32_t openResult, recordResult;
        std::array<int32_t, 8> codes;
    } cases[] = {
        {"no input", N, kRecorderOk, {0, N, U, U, U, U, U, U}},
        {"format", kFormatRefused, kRecorderOk, {0, kFormatRefused, U, U, U, U, U, U}},
        {"late", kRecorderOk, L, {0, 0, 0, 0, 0, 0, L, L}},
        {"reopen", kRecorderOk, N, {0, 0, 0, 0, 0, 0, N, N}},
    };
    for (const auto& c : cases) {
        input = FakeInput{};
        cycle();
        writeBytes("test.wav", std::vector<uint8_t>(8864, 7));
        input.openResult = c.openResult;
        input.recordResult = c.recordResult;
        EXPECT_EQ(cycle(), c.codes) << c.what;
        EXPECT_FALSE(fs::exists("test.wav")) << c.what;
    }
}

TEST_F(Recorder, SaveWithoutARecordingOrToAnUnwritablePlaceFails) {
    cycle();
    writeBytes("test.wav", {1, 2, 3});
    EXPECT_EQ(recorder.send("seek capture to start"), kRecorderOk);
    EXPECT_EQ(recorder.send("save capture test.wav wait"), kNoAudioInTime);
    EXPECT_FALSE(fs::exists("test.wav"));

    EXPECT_EQ(recorder.send("record capture to 400 wait"), kRecorderOk);
    EXPECT_EQ(recorder.send("save capture no-such-folder/test.wav wait"), kFileNotWritten);
    // A write-protected or non-regular "test.wav" is refused and left as it is.
    writeBytes("test.wav", {4, 5, 6});
    fs::permissions("test.wav", fs::perms::owner_read);
    EXPECT_EQ(recorder.send("save capture test.wav wait"), kFileNotWritten);
    EXPECT_EQ(fs::file_size("test.wav"), 3u);
    fs::remove("test.wav");
    fs::create_directory("test.wav");
    EXPECT_EQ(recorder.send("save capture test.wav wait"), kFileNotWritten);
    EXPECT_TRUE(fs::is_directory("test.wav"));
    fs::remove("test.wav");
    EXPECT_EQ(recorder.send("close all"), kRecorderOk);
    writeBytes("test.wav", {1, 2, 3});
    EXPECT_EQ(recorder.send("save capture test.wav wait"), kUnknownDevice);
    EXPECT_FALSE(fs::exists("test.wav"));
}

TEST_F(Recorder, OnlyTheMetersFormatIsAcceptedOnAnAliasOfAnyCase) {
    recorder.send("open new type waveaudio alias capture");
    for (const char* t : {"set capture samplespersec 44100", "set capture bitspersample 16",
                          "set capture channels 2", "set capture samplespersec 0"})
        EXPECT_EQ(recorder.send(t), kFormatRefused) << t;
    EXPECT_EQ(recorder.send("set other channels 1"), kUnknownDevice);
    EXPECT_EQ(recorder.send("set captura channels 1"), kUnknownDevice);
    EXPECT_EQ(recorder.send("set CAPTURE channels 1"), kRecorderOk);
}

}  // namespace
}  // namespace vellora
