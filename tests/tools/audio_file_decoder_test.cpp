// SPDX-License-Identifier: GPL-3.0-or-later
// Sound files other than the meter's clip: decoded, mixed to mono and made into the
// clip the meter would have recorded, with the precise figure from the full sound. Files
// that are no sound are reported through the command (analyze_cli_test).
#include "tools/audio_file_decoder.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <filesystem>
#include <numbers>

#include "support/profile_test_support.h"
#include "tools/recording_analysis.h"

namespace vellora {
namespace {

namespace fs = std::filesystem;

// 22050 / 4096: the scale of a card that really takes 22050 samples per second.
constexpr float kExactStep = 22050.0f / 4096.0f;

// 400 ms of a 440 Hz tone dying away as a pluck does (a held tone has no precise
// figure), the second channel (if any) at half the first's level.
void writeTone(const fs::path& path, int format, int rate, int channels) {
    std::vector<float> frames;
    for (int i = 0; i < rate * 2 / 5; ++i) {
        const double t = double(i) / rate;
        const float v = float(0.75 * std::exp(-t / 0.3) * std::sin(2 * std::numbers::pi * 440 * t));
        for (int c = 0; c < channels; ++c) frames.push_back(c == 0 ? v : v / 2);
    }
    SF_INFO info{rate * 2 / 5, rate, channels, format, 0, 0};
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
    sf_writef_float(f, frames.data(), sf_count_t(frames.size()) / channels);
    sf_close(f);
}

// A 440 Hz tone in every format. With the exact scale every file reads bin 82
// (440 / (22050 / 4096) = 81.7; 82 x 22050 / 4096 = 441.4 Hz). With an uncalibrated step
// the card takes 4096 x 5.4171 = 22188 samples a second: the sound itself would fall
// in bin 81.2 (81 x 5.4171 = 438.8 Hz), while the meter's own clip holds what that card
// recorded, 81.7 bins a cycle (82 x 5.4171 = 444.2 Hz). The precise figure comes from the
// full sound at its own rate: 440 Hz whatever the format.
TEST(SoundFiles, EveryFormatReadsAsTheMeterWouldHaveRecordedIt) {
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
    testing::TempFolder dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = (dir / c.name).string();
        writeTone(path, c.format, c.rate, c.channels);
        const DecodedAudio d = decodeAudioFile(path);
        ASSERT_TRUE(d.status.ok()) << d.status.message();
        EXPECT_EQ(d.rate, c.rate);
        EXPECT_EQ(d.channels, c.channels);
        EXPECT_EQ(d.meterClip, c.meterClip);
        EXPECT_NEAR(double(d.mono.size()), c.rate * 0.4, 1);

        AnalysisOptions exact;
        exact.pasFrequence = kExactStep;
        exact.precise = true;
        const AnalysisResult a = analyseRecordingFile(path, exact);
        ASSERT_TRUE(a.status.ok() && a.preciseHz) << a.status.message();
        EXPECT_EQ(a.bin, 82);
        EXPECT_EQ(a.readout, "441");
        EXPECT_NEAR(*a.preciseHz, 440, 0.22);
        AnalysisOptions uncalibrated;
        uncalibrated.pasFrequence = 5.4171f;
        const AnalysisResult b = analyseRecordingFile(path, uncalibrated);
        EXPECT_EQ(b.bin, c.meterClip ? 82 : 81);
        EXPECT_EQ(b.readout, c.meterClip ? "444" : "439");
        // Unless told otherwise, the file's own rate holds: the exact scale.
        EXPECT_EQ(analyseRecordingFile(path, {}).readout, "441");
    }
}

}  // namespace
}  // namespace vellora
