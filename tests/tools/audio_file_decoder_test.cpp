// SPDX-License-Identifier: GPL-3.0-or-later
// Sound files other than the meter's clip: decoded, mixed to mono and made into the
// clip the meter would have recorded, with the precise figure from the full sound. Files
// that are no sound are reported through the command (analyze_cli_test).
#include "tools/audio_file_decoder.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <numbers>

#include "support/hostile_files.h"
#include "support/profile_test_support.h"
#include "support/recorder_test_support.h"
#include "tools/recording_analysis.h"
#include "wave/recorder_wave.h"

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

// A WAVE header of 8-bit mono at `rate` declaring `dataBytes` of samples, the file made
// that long without taking the disk (sparse).
void writeSparseWave(const fs::path& path, uint32_t rate, uint32_t dataBytes) {
    std::vector<uint8_t> h = pcmWaveFile({}, rate);
    for (int i = 0; i < 4; ++i) {
        h[4 + i] = uint8_t((36 + dataBytes) >> (8 * i));  // the RIFF and data chunk sizes
        h[40 + i] = uint8_t(dataBytes >> (8 * i));
    }
    testing::writeBytes(path, h);
    ASSERT_EQ(::truncate(path.c_str(), off_t(h.size()) + off_t(dataBytes)), 0);
}

// Files that are no usable sound fail with their cause, read no more than they must and
// never wait: a header declaring a billion samples a second (2 GB, sparse), samples that
// are not numbers (silence, also to the clip), a FIFO; a file named "-" is that file, not
// standard input. (One without samples goes through the command, analyze_cli_test.)
TEST(SoundFiles, HostileFilesFailFastWithTheirCause) {
    testing::TempFolder dir;
    writeSparseWave(dir / "giga.wav", 1000000000u, 0x7FFFFFF0u);
    writeSparseWave(dir / "long.wav", 22050u, 0x7FFFFFF0u);
    writeTone(dir / "tone.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 22050, 1);
    SF_INFO nanInfo{0, 22050, 2, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 0, 0};
    SNDFILE* f = sf_open((dir / "nan.wav").c_str(), SFM_WRITE, &nanInfo);
    ASSERT_NE(f, nullptr);
    std::vector<float> v(8820, std::numeric_limits<float>::quiet_NaN());
    for (size_t i = 1; i < v.size(); i += 4) v[i] = std::numeric_limits<float>::infinity();
    sf_writef_float(f, v.data(), sf_count_t(v.size() / 2));
    sf_close(f);
    ASSERT_TRUE(testing::makeHostileFile(dir / "fifo.wav", testing::Hostile::Fifo));
    const testing::MemoryCeiling ceiling(50);
    const struct {
        const char* name;
        Failure failure;
        const char* cause;
    } cases[] = {
        {"giga.wav", Failure::BadContent, "1000000000 samples per second"},
        {"nan.wav", Failure::BadContent, "no sample is a number"},
        {"fifo.wav", Failure::NotRegularFile, "not a regular file"},
    };
    for (const auto& c : cases) {
        const DecodedAudio d = decodeAudioFile((dir / c.name).string());
        EXPECT_EQ(d.status.failure(), c.failure) << c.name;
        EXPECT_NE(d.status.message().find(c.cause), std::string::npos) << d.status.message();
    }
    const DecodedAudio longFile = decodeAudioFile((dir / "long.wav").string());
    EXPECT_TRUE(longFile.status) << longFile.status.message();
    EXPECT_EQ(longFile.mono.size(), size_t(kDecodedSeconds * 22050));
    EXPECT_EQ(clipSample(std::numeric_limits<float>::quiet_NaN()), 128);
    EXPECT_EQ(clipSample(-std::numeric_limits<float>::infinity()), 128);

    const InTemporaryFolder here;
    fs::copy_file(dir / "tone.wav", "-");
    const DecodedAudio dash = decodeAudioFile("-");
    EXPECT_TRUE(dash.status) << dash.status.message();
    EXPECT_EQ(dash.mono.size(), size_t(22050 * 2 / 5));
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
