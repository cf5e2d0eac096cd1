// On the fake sound card: what the player plays, the recorder records.
#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <cmath>

#include "audio/capture_sequence.h"
#include "audio/rtaudio_input.h"
#include "audio/rtaudio_sound_player.h"
#include "audio/wave_audio_recorder.h"
#include "calibration/calibration_tone.h"
#include "support/recorder_test_support.h"
#include "support/sound_test_support.h"
#include "wave/recorder_wave.h"

namespace vellora {
namespace {

constexpr int kToneBin = 82;  // 440 / (22050 / 4096) = 81.7
// Sound already on its way through the server when it stops (a fragment or two) may
// open the next clip; after that the clip is silent to within a step of the 128 line.
constexpr size_t kPipelineSamples = 1102;  // 50 ms
constexpr int kSilenceSteps = 2;
// The tail leaves the clip's peak far below a tone that still sounds.
constexpr float kTailFraction = 0.25f;
constexpr unsigned kPlayLoop = kSoundAsync | kSoundLoop;

void processEventsFor(std::chrono::milliseconds t) {
    QEventLoop loop;
    QTimer::singleShot(t, &loop, &QEventLoop::quit);
    loop.exec();
}

// RMS of the saved clip around the 128 line.
double clipLevel() {
    const std::vector<uint8_t> f = readBytes("test.wav");
    double sum = 0;
    for (size_t i = kWaveHeaderSize; i < f.size(); ++i) sum += (f[i] - 128.0) * (f[i] - 128.0);
    return f.size() > kWaveHeaderSize ? std::sqrt(sum / double(f.size() - kWaveHeaderSize)) : 0;
}

class FakeSoundCard : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!fakeSoundCardPresent())
            GTEST_SKIP() << "no fake sound card: run under scripts/with-fake-soundcard";
        ensureApplication();
        int16_t frequenceCal = 0;
        ASSERT_TRUE(WriteCalibrationTone(440, frequenceCal));
    }
    InTemporaryFolder folder;
};

TEST_F(FakeSoundCard, TheLoopedToneIsInItsBinEveryCycleAndStoppingItGivesSilence) {
    RtAudioSoundPlayer player;
    ASSERT_TRUE(player.sndPlaySound(kCalibrationToneFile, kPlayLoop));
    EXPECT_TRUE(player.playing());
    RtAudioInput input;
    WaveAudioRecorder recorder(input);
    float weakestTone = 1e30f;
    for (int i = 0; i < 10; ++i) {
        int32_t retour = -1;
        ASSERT_EQ(sendCaptureSequence(recorder, retour), kRecorderOk) << i;
        ASSERT_EQ(readBytes("test.wav").size(), 44u + 8820u);
        const Peak p = strongestBin("test.wav");
        EXPECT_EQ(p.bin, kToneBin) << i;
        weakestTone = std::min(weakestTone, p.magnitude);
        EXPECT_EQ(recorder.openDevices(), 1);
    }
    ASSERT_TRUE(player.sndPlaySound(nullptr, 0));
    EXPECT_FALSE(player.playing());
    int32_t retour = -1;
    ASSERT_EQ(sendCaptureSequence(recorder, retour), kRecorderOk);
    EXPECT_LT(strongestBin("test.wav").magnitude, weakestTone * kTailFraction);
    const std::vector<uint8_t> f = readBytes("test.wav");
    for (size_t i = kWaveHeaderSize + kPipelineSamples; i < f.size(); ++i)
        ASSERT_LE(std::abs(f[i] - 128), kSilenceSteps) << i;
}

TEST_F(FakeSoundCard, CaptureInAnotherFormatIsConvertedWithFrequencyAndLevelKept) {
    RtAudioSoundPlayer player;
    ASSERT_TRUE(player.sndPlaySound(kCalibrationToneFile, kPlayLoop));
    RtAudioInput direct;
    WaveAudioRecorder directRecorder(direct);
    int32_t retour = -1;
    for (int i = 0; i < 2; ++i) ASSERT_EQ(sendCaptureSequence(directRecorder, retour), kRecorderOk);
    const double directLevel = clipLevel();
    directRecorder.send(closeAllCommand());

    RtAudioInput::Options options;
    options.tryNativeFormatFirst = false;
    options.fallbacks = {{48000, 2}};
    RtAudioInput converted(options);
    WaveAudioRecorder recorder(converted);
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(sendCaptureSequence(recorder, retour), kRecorderOk) << i;
        EXPECT_EQ(converted.format().rate, 48000u);
        EXPECT_EQ(strongestBin("test.wav").bin, kToneBin) << i;
        // Same tone, same path but the converter: the level matches within rounding.
        EXPECT_NEAR(clipLevel(), directLevel, directLevel * 0.03) << i;
    }
    EXPECT_GT(directLevel, 60);  // the tone's 127 peak, as RMS about 90
}

TEST_F(FakeSoundCard, WithoutTheLoopFlagTheToneEndsAndAnIdleInputClosesAndReopens) {
    RtAudioSoundPlayer player;
    ASSERT_TRUE(player.sndPlaySound(kCalibrationToneFile, kSoundAsync));
    RtAudioInput::Options options;
    options.idleClose = std::chrono::milliseconds(100);
    RtAudioInput input(options);
    WaveAudioRecorder recorder(input);
    int32_t retour = -1;
    ASSERT_EQ(sendCaptureSequence(recorder, retour), kRecorderOk);
    EXPECT_TRUE(input.streamOpen());
    // The one-second tone ends on its own; the input closes while nothing records.
    for (int i = 0; i < 40 && (player.playing() || input.streamOpen()); ++i)
        processEventsFor(std::chrono::milliseconds(100));
    EXPECT_FALSE(player.playing());
    EXPECT_FALSE(input.streamOpen());
    EXPECT_EQ(sendCaptureSequence(recorder, retour), kRecorderOk);
}

// Opened ahead, the input waits for the first recording through the idle time, and
// while held for as long as the hold lasts; it closes once idle and unheld.
TEST_F(FakeSoundCard, AnInputOpenedAheadOrHeldStaysOpenUntilIdleAndUnheld) {
    constexpr auto kIdle = std::chrono::milliseconds(150);
    constexpr auto kWellPastIdle = std::chrono::milliseconds(600);
    RtAudioInput::Options options;
    options.idleClose = kIdle;
    RtAudioInput input(options);

    ASSERT_EQ(input.openAhead(), kRecorderOk);
    EXPECT_TRUE(input.streamOpen());
    processEventsFor(kWellPastIdle);
    EXPECT_FALSE(input.streamOpen());

    ASSERT_EQ(input.openAhead(), kRecorderOk);
    input.hold(true);
    input.hold(true);  // the dialog and the Belt window both shown
    processEventsFor(kWellPastIdle);
    EXPECT_TRUE(input.streamOpen());
    input.hold(false);
    processEventsFor(kWellPastIdle);
    EXPECT_TRUE(input.streamOpen());  // one window still shown

    WaveAudioRecorder recorder(input);  // a run while held: the stream stays after it
    int32_t retour = -1;
    ASSERT_EQ(sendCaptureSequence(recorder, retour), kRecorderOk);
    processEventsFor(kWellPastIdle);
    EXPECT_TRUE(input.streamOpen());
    input.hold(false);
    processEventsFor(kWellPastIdle);
    EXPECT_FALSE(input.streamOpen());
}

// Between two runs the input stays open far longer than a cycle's gap, so a new run's
// first clip does not wait for it to open.
TEST_F(FakeSoundCard, ByDefaultTheInputOutlastsThePauseBetweenRuns) {
    RtAudioInput input;
    WaveAudioRecorder recorder(input);
    int32_t retour = -1;
    ASSERT_EQ(sendCaptureSequence(recorder, retour), kRecorderOk);
    processEventsFor(std::chrono::milliseconds(2500));  // closed after 2 s before
    EXPECT_TRUE(input.streamOpen());
}

TEST(SoundPlayer, MissingUnreadableOrBlockingRequestsPlayNothing) {
    InTemporaryFolder folder;
    writeBytes("garbage.wav", std::vector<uint8_t>(500, 0x55));
    writeBytes("empty.wav", {});
    int16_t frequenceCal = 0;
    ASSERT_TRUE(WriteCalibrationTone(440, frequenceCal));
    RtAudioSoundPlayer player;
    struct Refused {
        const char* name;
        unsigned flags;
    };
    for (const Refused& r :
         {Refused{"missing.wav", kPlayLoop}, Refused{"garbage.wav", kPlayLoop},
          Refused{"empty.wav", kPlayLoop}, Refused{kCalibrationToneFile, kSoundLoop},
          Refused{kCalibrationToneFile, 0}}) {
        EXPECT_FALSE(player.sndPlaySound(r.name, r.flags)) << r.name << " " << r.flags;
        EXPECT_FALSE(player.playing()) << r.name;
    }
    EXPECT_TRUE(player.sndPlaySound(nullptr, 0));
}

}  // namespace
}  // namespace vellora
