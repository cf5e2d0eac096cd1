// SPDX-License-Identifier: GPL-3.0-or-later
// The estimator's parts the whole estimate does not pin down: the sample bytes it is
// given, the clips it keeps, the envelope, the zeros its transform pads with. Peaks,
// series and the transform's accuracy are checked through every estimate.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <numbers>

#include <sys/stat.h>

#include "pitch/pitch_clips.h"
#include "pitch/pitch_envelope.h"
#include "pitch/pitch_fft.h"
#include "pitch/pitch_samples.h"
#include "support/pitch_synth.h"
#include "support/profile_test_support.h"

namespace vellora {
namespace {

std::vector<uint8_t> chunk(const char* id, std::vector<uint8_t> body, uint32_t size) {
    std::vector<uint8_t> c(id, id + 4);
    for (int i = 0; i < 4; ++i) c.push_back(uint8_t(size >> (8 * i)));
    c.insert(c.end(), body.begin(), body.end());
    return c;
}

std::vector<uint8_t> riff(std::initializer_list<std::vector<uint8_t>> chunks) {
    std::vector<uint8_t> f = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    for (const auto& c : chunks) f.insert(f.end(), c.begin(), c.end());
    return f;
}

// The data chunk wherever it is and never past the end of the file; a FIFO is not waited
// on; a 2 GB recording costs what the estimator uses, no more.
TEST(PitchSamples, TheDataChunkAndOnlyWhatTheEstimatorUses) {
    const std::vector<uint8_t> fmt(16, 0);
    // An odd-sized chunk before the data is followed by a pad byte.
    EXPECT_EQ(recordingSamples(riff({chunk("fmt ", fmt, 16), chunk("LIST", {1, 2, 3, 0}, 3),
                                     chunk("data", {10, 20, 30}, 3)})),
              (std::vector<uint8_t>{10, 20, 30}));
    EXPECT_EQ(recordingSamples(riff({chunk("fmt ", fmt, 16), chunk("data", {5, 6}, 9000)})),
              (std::vector<uint8_t>{5, 6}));
    std::vector<uint8_t> raw(50, 1);  // no chunk list: all after a canonical header
    raw[44] = 9;
    EXPECT_EQ(recordingSamples(raw), (std::vector<uint8_t>{9, 1, 1, 1, 1, 1}));
    EXPECT_TRUE(recordingSamples(std::vector<uint8_t>(44, 1)).empty());

    testing::TempFolder dir;
    EXPECT_TRUE(readRecordingSamples((dir / "missing.wav").string()).empty());
    ASSERT_EQ(::mkfifo((dir / "fifo.wav").c_str(), 0644), 0);
    EXPECT_TRUE(readRecordingSamples((dir / "fifo.wav").string()).empty());
    const std::vector<uint8_t> header =
        riff({chunk("fmt ", fmt, 16), chunk("data", {7, 8, 9}, 0x7FFFFFF0u)});
    testing::writeBytes(dir / "huge.wav", header);
    std::filesystem::resize_file(dir / "huge.wav", std::uintmax_t(2) << 30);
    const std::vector<uint8_t> samples = readRecordingSamples((dir / "huge.wav").string());
    ASSERT_EQ(samples.size(), kRecordingReadLimit - (header.size() - 3));
    EXPECT_GE(samples.size(), kMostEstimatedSamples);
    EXPECT_EQ(samples[2], 9);
}

// A transform of fewer points than the last one pads with zeros, not with what the last one
// was given: one point at t = 1 gives e^(-2 pi i k / n) everywhere.
TEST(PitchFft, PadsWithZerosAfterALongerTransform) {
    constexpr size_t n = 16;
    PitchFft fft(n);
    std::fill(fft.input(), fft.input() + n, 1.0);
    fft.transform(n);
    EXPECT_NEAR(fft.output()[0].real(), 16, 1e-12);
    EXPECT_NEAR(std::abs(fft.output()[3]), 0, 1e-12);
    fft.input()[0] = 0;
    fft.input()[1] = 1;
    fft.transform(2);
    for (size_t k = 0; k <= n / 2; ++k) {
        const double angle = -2 * std::numbers::pi * double(k) / n;
        EXPECT_NEAR(fft.output()[k].real(), std::cos(angle), 1e-12) << k;
        EXPECT_NEAR(fft.output()[k].imag(), std::sin(angle), 1e-12) << k;
    }
}

TEST(RecentClips, KeepsTheNewestThreeEndToEnd) {
    RecentClips clips;
    for (uint8_t c = 1; c <= 4; ++c) clips.add(std::vector<uint8_t>(c, c));
    EXPECT_EQ(std::vector<uint8_t>(clips.samples().begin(), clips.samples().end()),
              (std::vector<uint8_t>{2, 2, 3, 3, 3, 4, 4, 4, 4}));
    clips.clear();
    EXPECT_TRUE(clips.samples().empty());
}

TEST(PitchEnvelope, OnsetRingAndSecondSounds) {
    constexpr double rate = 22050;
    synth::Random random(23);
    // Quiet noise, then a 200 Hz tone from 150 ms decaying with tau = 0.1 s: 20 dB down
    // 230 ms after the onset.
    const auto pluck = [&](double at, double t) {
        t -= at;
        return t >= 0 ? 60 * std::exp(-t / 0.1) * std::sin(2 * std::numbers::pi * 200 * t) : 0.0;
    };
    std::vector<double> x(8820), twice(8820), early(8820), overEngine(8820);
    for (size_t i = 0; i < x.size(); ++i) {
        const double t = double(i) / rate, n = 0.3 * random.normal();
        x[i] = n + pluck(0.15, t);
        early[i] = n + pluck(0.02, t);                  // dies away 150 ms before the end
        twice[i] = n + pluck(0.05, t) + pluck(0.3, t);  // 25 dB down when it comes again
        // An engine's steady harmonics of 30 Hz at a third of the pluck's first 10 ms.
        overEngine[i] = x[i];
        for (int k = 1; k <= 6; ++k)
            overEngine[i] += 16 * std::sin(2 * std::numbers::pi * 30 * k * t + k) / k;
    }
    const Envelope e = analyseEnvelope(x, rate);
    EXPECT_NEAR(double(e.onset) / rate, 0.15, 0.011);
    EXPECT_NEAR(double(analyseEnvelope(overEngine, rate).onset) / rate, 0.15, 0.011);
    EXPECT_NEAR(e.ringSeconds, 0.23, 0.035);  // blocks of 10 ms, the largest of three
    EXPECT_LT(reattack(e, 0.02), 1.5);
    EXPECT_GT(reattack(analyseEnvelope(twice, rate), 0.02), 5);
    // One exponential loses 3 dB in 3/20 of its way down to -20 dB; a sound that has not
    // died away by the end has no share.
    EXPECT_NEAR(analyseEnvelope(early, rate).holdShare, 0.15, 0.06);
    EXPECT_EQ(e.holdShare, 0);
}

}  // namespace
}  // namespace vellora
