// SPDX-License-Identifier: GPL-3.0-or-later
// The real sound path: on the fake sound card what the player plays the recorder records;
// with no sound server every command fails quickly and leaves no clip.
#include <gtest/gtest.h>

#include <QTimer>

#include <chrono>
#include <cstdlib>

#include "audio/capture_sequence.h"
#include "audio/rtaudio_input.h"
#include "audio/rtaudio_sound_player.h"
#include "audio/wave_audio_recorder.h"
#include "calibration/calibration_tone.h"
#include "support/qt_application.h"
#include "support/recorder_test_support.h"
#include "support/sound_test_support.h"
#include "wave/recorder_wave.h"

namespace vellora {
namespace {

constexpr unsigned kPlayLoop = kSoundAsync | kSoundLoop;

TEST(FakeSoundCard, TheLoopedToneIsInItsBinEveryCycleAndStoppingItGivesSilence) {
    if (!fakeSoundCardPresent()) GTEST_SKIP() << "run under scripts/with-fake-soundcard";
    ensureGuiApplication();
    InTemporaryFolder folder;
    int16_t frequenceCal = 0;
    ASSERT_TRUE(WriteCalibrationTone(440, frequenceCal));
    RtAudioSoundPlayer player;
    testing::writeBytes("garbage.wav", std::string(500, 0x55));
    for (const char* refused : {"missing.wav", "garbage.wav"})
        EXPECT_FALSE(player.sndPlaySound(refused, kPlayLoop)) << refused;
    ASSERT_TRUE(player.sndPlaySound(kCalibrationToneFile, kPlayLoop));
    RtAudioInput input;
    WaveAudioRecorder recorder(input);
    int32_t retour = -1;
    float weakestTone = 1e30f;
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(sendCaptureSequence(recorder, retour), kRecorderOk) << i;
        const Peak p = strongestBin("test.wav");
        EXPECT_EQ(p.bin, 82) << i;  // 440 / (22050 / 4096) = 81.7
        weakestTone = std::min(weakestTone, p.magnitude);
    }
    ASSERT_TRUE(player.sndPlaySound(nullptr, 0));
    EXPECT_FALSE(player.playing());
    // The clip after the stop follows on from the last one, so it may still hold the
    // tone's last moments; the one after it is wholly after the stop.
    ASSERT_EQ(sendCaptureSequence(recorder, retour), kRecorderOk);
    ASSERT_EQ(sendCaptureSequence(recorder, retour), kRecorderOk);
    EXPECT_LT(strongestBin("test.wav").magnitude, weakestTone / 4);
    // Past the sound already on its way (50 ms), silent within two steps of the 128 line.
    const auto f = testing::readBytes<std::vector<uint8_t>>("test.wav");
    for (size_t i = kWaveHeaderSize + 1102; i < f.size(); ++i)
        ASSERT_LE(std::abs(f[i] - 128), 2) << i;
}

// A source suspended under a running stream blocks RtAudio's thread in its read: each
// cycle fails within 3 s, closing the stream waits for nothing, timers keep firing all
// along, and the stream works again once the source is back.
TEST(FakeSoundCard, ASuspendedSourceFailsEachCycleWithinThreeSecondsAndNothingWaits) {
    using Clock = std::chrono::steady_clock;
    if (!fakeSoundCardPresent()) GTEST_SKIP() << "run under scripts/with-fake-soundcard";
    ensureGuiApplication();
    InTemporaryFolder folder;
    RtAudioInput input;
    WaveAudioRecorder recorder(input);
    int32_t retour = -1;
    ASSERT_EQ(sendCaptureSequence(recorder, retour), kRecorderOk);
    ASSERT_EQ(std::system("pactl suspend-source mic 1"), 0);
    int ticks = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { ++ticks; });
    tick.start(100);
    const auto suspended = Clock::now();
    for (int cycle = 0; cycle < 2; ++cycle) {
        const auto start = Clock::now();
        EXPECT_NE(sendCaptureSequence(recorder, retour), kRecorderOk) << cycle;
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(cycle == 0 ? 3 : 5)) << cycle;
        const auto closing = Clock::now();
        input.release();
        recorder.send(closeAllCommand());
        EXPECT_LT(Clock::now() - closing, std::chrono::milliseconds(200)) << cycle;
    }
    // One tick in every 100 ms, less a few for the start of each wait.
    EXPECT_GT(ticks, int((Clock::now() - suspended) / std::chrono::milliseconds(100)) - 8);
    ASSERT_EQ(std::system("pactl suspend-source mic 0"), 0);
    EXPECT_EQ(sendCaptureSequence(recorder, retour), kRecorderOk);
}

TEST(NoSoundServer, EveryCycleFailsWithinTheBoundAndLeavesNoClip) {
    using Clock = std::chrono::steady_clock;
    ensureGuiApplication();
    InTemporaryFolder folder;
    const char* old = std::getenv("PULSE_SERVER");
    const std::string saved = old ? old : "";  // put back for the cases after this one
    setenv("PULSE_SERVER", "unix:/nonexistent/vellora/pulse/native", 1);
    int16_t frequenceCal = 0;
    ASSERT_TRUE(WriteCalibrationTone(440, frequenceCal));
    testing::writeBytes("test.wav", std::vector<uint8_t>(8864, 200));  // an earlier cycle's clip
    RtAudioInput input;
    WaveAudioRecorder recorder(input);
    for (int cycle = 0; cycle < 2; ++cycle) {
        const auto start = Clock::now();
        int32_t retour = -1;
        EXPECT_EQ(sendCaptureSequence(recorder, retour), kNoInputDevice);
        // A cycle may wait for audio at most once, 400 ms plus the grace.
        EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(400) + kRecordGrace) << cycle;
        EXPECT_FALSE(std::filesystem::exists("test.wav")) << cycle;
        EXPECT_EQ(recorder.openDevices(), 0);
    }
    RtAudioSoundPlayer player;
    const auto start = Clock::now();
    EXPECT_FALSE(player.sndPlaySound(kCalibrationToneFile, kPlayLoop));
    EXPECT_FALSE(player.playing());
    EXPECT_LT(Clock::now() - start, kRecordGrace);
    old ? setenv("PULSE_SERVER", saved.c_str(), 1) : unsetenv("PULSE_SERVER");
}

}  // namespace
}  // namespace vellora
