// Sound files other than the meter's clip: decoded, mixed to mono and made into the
// clip the meter would have recorded, with the precise figure from the full sound.
#include "tools/audio_file_decoder.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <filesystem>
#include <numbers>
#include <optional>

#include "support/pitch_synth.h"
#include "support/profile_test_support.h"
#include "tools/recording_analysis.h"
#include "wave/recorder_wave.h"

namespace vellora {
namespace {

namespace fs = std::filesystem;

// 22050 / 4096: the scale of a card that really takes 22050 samples per second.
constexpr float kExactStep = 22050.0f / 4096.0f;

class SoundFiles : public ::testing::Test {
  protected:
    // Frames interleaved by channel, in -1 .. 1.
    std::string write(const std::string& name, int format, int rate, int channels,
                      const std::vector<float>& frames) {
        const fs::path p = dir / name;
        SF_INFO info{};
        info.samplerate = rate;
        info.channels = channels;
        info.format = format;
        SNDFILE* f = sf_open(p.c_str(), SFM_WRITE, &info);
        EXPECT_NE(f, nullptr) << sf_strerror(nullptr);
        if (!f) return p.string();
        sf_writef_float(f, frames.data(), sf_count_t(frames.size()) / channels);
        sf_close(f);
        return p.string();
    }
    std::string writeBytes(const std::string& name, const std::vector<uint8_t>& bytes) {
        testing::writeBytes(dir / name, std::string(bytes.begin(), bytes.end()));
        return (dir / name).string();
    }
    testing::TempFolder dir;
};

// 400 ms of a tone, the second channel (if any) at half the first's level.
std::vector<float> tone(double hz, int rate, int channels) {
    const size_t n = size_t(rate) * 2 / 5;
    std::vector<float> frames;
    for (size_t i = 0; i < n; ++i) {
        const float v = float(0.75 * std::sin(2 * std::numbers::pi * hz * double(i) / rate));
        for (int c = 0; c < channels; ++c) frames.push_back(c == 0 ? v : v / 2);
    }
    return frames;
}

// A 440 Hz tone in every format. With the exact scale every file reads bin 82
// (440 / (22050 / 4096) = 81.7; 82 x 22050 / 4096 = 441.4 Hz). With the default step
// the card takes 4096 x 5.4171 = 22188 samples a second: the sound itself would fall
// in bin 81.2 (81 x 5.4171 = 438.8 Hz), while the meter's own clip holds what that card
// recorded, 81.7 bins a cycle (82 x 5.4171 = 444.2 Hz).
TEST_F(SoundFiles, EveryFormatReadsAsTheMeterWouldHaveRecordedIt) {
    struct Case {
        const char* name;
        int format, rate, channels;
        bool meterClip;
    };
    const Case cases[] = {
        {"cd.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2, false},
        {"studio.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 96000, 1, false},
        {"lossless.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 48000, 1, false},
        {"phone.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 48000, 2, false},
        {"slow.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 11025, 1, false},
        {"clip.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 22050, 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path =
            write(c.name, c.format, c.rate, c.channels, tone(440, c.rate, c.channels));
        const DecodedAudio d = decodeAudioFile(path);
        ASSERT_TRUE(d.status.ok()) << d.status.message();
        EXPECT_EQ(d.rate, c.rate);
        EXPECT_EQ(d.channels, c.channels);
        EXPECT_EQ(d.meterClip, c.meterClip);
        EXPECT_NEAR(double(d.mono.size()), c.rate * 0.4, 1);

        AnalysisOptions exact;
        exact.pasFrequence = kExactStep;
        const AnalysisResult a = analyseRecordingFile(path, exact);
        ASSERT_TRUE(a.status.ok()) << a.status.message();
        EXPECT_EQ(a.bin, 82);
        EXPECT_EQ(a.readout, "441Hz");
        const AnalysisResult b = analyseRecordingFile(path, {});
        EXPECT_EQ(b.bin, c.meterClip ? 82 : 81);
        EXPECT_EQ(b.readout, c.meterClip ? "444Hz" : "439Hz");
    }
}

// The same pluck kept at full quality (16-bit, 44.1 kHz, stereo) and saved as the
// meter's 8-bit clip reads the same precise fundamental.
TEST_F(SoundFiles, AFullQualityRecordingReadsAsPreciselyAsTheMetersClip) {
    constexpr double kAgreement = 0.001;  // 0.1 %
    constexpr double kTruth = 0.005;      // the estimator's own bound on plucks
    for (const double hz : {47.0, 131.0, 310.0}) {
        SCOPED_TRACE(hz);
        synth::Random random{uint32_t(hz)};
        synth::Pluck pluck = synth::randomBelt(random, hz, 44100);
        synth::Random noiseFull(1), noiseClip(1);
        const std::vector<double> full = synth::renderSteps(pluck, noiseFull, 17640);
        std::vector<float> stereo;
        for (const double v : full) {
            const float x = float(std::round(v / 128 * 32767) / 32768);  // 16 bits
            stereo.push_back(x);
            stereo.push_back(x * 0.8f);
        }
        const std::string cd =
            write("pluck.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2, stereo);
        pluck.rate = 22050;
        const std::string clip =
            writeBytes("test.wav", pcmWaveFile(synth::render(pluck, noiseClip), 22050));

        AnalysisOptions options;
        options.pasFrequence = kExactStep;
        options.precise = true;
        const AnalysisResult fromCd = analyseRecordingFile(cd, options);
        const AnalysisResult fromClip = analyseRecordingFile(clip, options);
        ASSERT_TRUE(fromCd.status.ok() && fromClip.status.ok())
            << fromCd.status.message() << fromClip.status.message();
        ASSERT_TRUE(fromCd.preciseHz && fromClip.preciseHz);
        EXPECT_NEAR(*fromCd.preciseHz / *fromClip.preciseHz, 1.0, kAgreement);
        EXPECT_NEAR(*fromCd.preciseHz / hz, 1.0, kTruth);
        EXPECT_NEAR(fromCd.bin, fromClip.bin, 1);
    }
}

TEST_F(SoundFiles, WhatIsNoSoundFileIsReportedWithoutAReading) {
    std::vector<uint8_t> brokenRiff = pcmWaveFile(std::vector<uint8_t>(100, 128), 22050);
    brokenRiff[8] = 'X';  // not "WAVE"
    const struct {
        const char* name;
        std::optional<std::vector<uint8_t>> bytes;  // none: no such file
        const char* says;
    } cases[] = {{"notes.txt", std::vector<uint8_t>(200, 'a'), ""},
                 {"short.wav", std::vector<uint8_t>(43, 1), "43 bytes"},
                 {"header.wav", std::vector<uint8_t>(44, 0), ""},
                 {"broken.wav", brokenRiff, ""},
                 {"missing.wav", std::nullopt, ""},
                 {"", std::nullopt, ""}};  // the folder itself
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = c.bytes ? writeBytes(c.name, *c.bytes) : (dir / c.name).string();
        const AnalysisResult a = analyseRecordingFile(path, {});
        EXPECT_FALSE(a.status.ok());
        EXPECT_NE(a.status.message().find(c.says), std::string::npos) << a.status.message();
        EXPECT_FALSE(a.status.message().empty());
    }
    // A meter's header with no samples is a silent clip, not a bad file.
    const AnalysisResult empty =
        analyseRecordingFile(writeBytes("e.wav", pcmWaveFile({}, 22050)), {});
    ASSERT_TRUE(empty.status.ok()) << empty.status.message();
    EXPECT_EQ(empty.readout, "0Hz");
}

}  // namespace
}  // namespace vellora
