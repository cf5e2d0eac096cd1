// End to end on the fake sound card: a looped synthetic pluck played through the
// loudspeaker and recorded by the capture cycle gives the precise frequency and the
// tension of the formula.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "audio/capture_sequence.h"
#include "audio/rtaudio_input.h"
#include "audio/rtaudio_sound_player.h"
#include "audio/wave_audio_recorder.h"
#include "belt/belt_setup.h"
#include "pitch/pitch_estimator.h"
#include "pitch/pitch_samples.h"
#include "support/pitch_synth.h"
#include "support/recorder_test_support.h"
#include "support/sound_test_support.h"
#include "wave/recorder_wave.h"

namespace vellora {
namespace {

constexpr double kRate = 22050;  // the fake card is exact: PasFrequence 22050 / 4096
constexpr double kTolerance = 0.005;
constexpr int kCycles = 8;

TEST(PitchLoopback, ALoopedPluckReadsWithinHalfAPerCentEveryCycle) {
    if (!fakeSoundCardPresent())
        GTEST_SKIP() << "no fake sound card: run under scripts/with-fake-soundcard";
    ensureApplication();
    InTemporaryFolder folder;

    // One second of a belt at 87.3 Hz without its fundamental, looped: every 400 ms
    // clip holds a decay and often a new pluck.
    synth::Random random(5);
    synth::Pluck pluck = synth::randomBelt(random, 87.3, kRate);
    pluck.amplitudes[0] = 0;
    pluck.onsetSeconds = 0;
    pluck.decaySeconds = 0.4;
    const auto samples = synth::render(pluck, random, size_t(kRate));
    writeBytes("pluck.wav", pcmWaveFile(samples, uint32_t(kRate)));

    BeltSetupForm form;
    form.name = "Cam belt";
    form.mass = "110";
    form.span = "420";
    const BeltSetup setup = *validateBeltSetup(form).setup;

    RtAudioSoundPlayer player;
    ASSERT_TRUE(player.sndPlaySound("pluck.wav", kSoundAsync | kSoundLoop));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // past the first fragment
    RtAudioInput input;
    WaveAudioRecorder recorder(input);
    PitchEstimator estimator;
    const float pas = float(kRate / kSpectrumPoints);
    int read = 0;
    for (int i = 0; i < kCycles; ++i) {
        int32_t retour = -1;
        ASSERT_EQ(sendCaptureSequence(recorder, retour), kRecorderOk) << i;
        const auto e = estimator.estimate(readRecordingSamples("test.wav"), pas);
        // A clip may fall on the quiet tail of the decaying loop (or, for the first one,
        // before the loop reached the input): "no clear pitch" is then right. Every
        // number given must be right, and most clips must give one.
        if (!e) continue;
        ++read;
        EXPECT_NEAR(e->hz, pluck.fundamentalHz, kTolerance * pluck.fundamentalHz) << i;
        // T = 4 * 0.110 kg/m * (0.420 m)^2 * f^2: within twice the frequency's tolerance.
        const double want = 4 * 0.110 * 0.42 * 0.42 * pluck.fundamentalHz * pluck.fundamentalHz;
        EXPECT_NEAR(tensionOf(setup, e->hz).newtons, want, 2 * kTolerance * want) << i;
    }
    player.sndPlaySound(nullptr, 0);
    EXPECT_GE(read, kCycles - 2);
}

}  // namespace
}  // namespace vellora
