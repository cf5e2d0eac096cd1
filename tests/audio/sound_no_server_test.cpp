// With no sound server at all, every command fails quickly and no clip is left.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>

#include "audio/capture_sequence.h"
#include "audio/rtaudio_input.h"
#include "audio/rtaudio_sound_player.h"
#include "audio/wave_audio_recorder.h"
#include "calibration/calibration_tone.h"
#include "support/recorder_test_support.h"
#include "support/sound_test_support.h"

namespace vellora {
namespace {

using Clock = std::chrono::steady_clock;

// Points the sound library at a server that does not exist, for this test only.
class NoServer {
  public:
    NoServer() {
        if (const char* old = std::getenv("PULSE_SERVER")) old_ = old;
        setenv("PULSE_SERVER", "unix:/nonexistent/vellora/pulse/native", 1);
    }
    ~NoServer() {
        if (old_)
            setenv("PULSE_SERVER", old_->c_str(), 1);
        else
            unsetenv("PULSE_SERVER");
    }

  private:
    std::optional<std::string> old_;
};

TEST(NoSoundServer, EveryCycleFailsWithinTheBoundAndLeavesNoClip) {
    ensureApplication();
    InTemporaryFolder folder;
    NoServer noServer;
    int16_t frequenceCal = 0;
    ASSERT_TRUE(WriteCalibrationTone(440, frequenceCal));
    writeBytes("test.wav", std::vector<uint8_t>(8864, 200));  // an earlier cycle's clip

    RtAudioInput input;
    WaveAudioRecorder recorder(input);
    for (int cycle = 0; cycle < 3; ++cycle) {
        const auto start = Clock::now();
        std::vector<int32_t> codes;
        for (const std::string& c : captureCommands()) codes.push_back(recorder.send(c));
        const auto took = Clock::now() - start;
        // A cycle may wait for audio at most once, 400 ms plus the grace.
        EXPECT_LT(took, std::chrono::milliseconds(400) + kRecordGrace) << cycle;
        EXPECT_EQ(codes[0], kRecorderOk);  // nothing open is nothing to close
        EXPECT_EQ(codes[1], kNoInputDevice);
        for (size_t i = 2; i < codes.size(); ++i) EXPECT_NE(codes[i], kRecorderOk) << i;
        EXPECT_FALSE(std::filesystem::exists("test.wav")) << cycle;
        EXPECT_EQ(recorder.openDevices(), 0);
    }

    RtAudioSoundPlayer player;
    const auto start = Clock::now();
    EXPECT_FALSE(player.sndPlaySound(kCalibrationToneFile, kSoundAsync | kSoundLoop));
    EXPECT_FALSE(player.playing());
    EXPECT_LT(Clock::now() - start, kRecordGrace);
}

}  // namespace
}  // namespace vellora
