// The estimator's parts: sample bytes, envelope, spectrum peaks, series fit. The
// transform is checked through every estimate.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numbers>

#include <sys/stat.h>

#include "pitch/pitch_clips.h"
#include "pitch/pitch_envelope.h"
#include "pitch/pitch_samples.h"
#include "pitch/pitch_series.h"
#include "pitch/pitch_spectrum.h"
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

TEST(PitchSamples, TheDataChunkWhereverItIsAndNeverPastTheEnd) {
    const std::vector<uint8_t> fmt(16, 0);
    // An odd-sized chunk before the data is followed by a pad byte.
    EXPECT_EQ(recordingSamples(riff({chunk("fmt ", fmt, 16), chunk("LIST", {1, 2, 3, 0}, 3),
                                     chunk("data", {10, 20, 30}, 3)})),
              (std::vector<uint8_t>{10, 20, 30}));
    EXPECT_EQ(recordingSamples(riff({chunk("fmt ", fmt, 16), chunk("data", {5, 6}, 9000)})),
              (std::vector<uint8_t>{5, 6}));
    // No chunk list: everything after a canonical header.
    std::vector<uint8_t> raw(50, 1);
    raw[44] = 9;
    EXPECT_EQ(recordingSamples(raw), (std::vector<uint8_t>{9, 1, 1, 1, 1, 1}));
    EXPECT_TRUE(recordingSamples(std::vector<uint8_t>(44, 1)).empty());
    EXPECT_TRUE(readRecordingSamples("/nonexistent/test.wav").empty());
}

// A FIFO is not waited on; a 2 GB recording costs what the estimator uses, no more.
TEST(PitchSamples, OnlyARegularFileIsReadAndOnlyWhatTheEstimatorUses) {
    testing::TempFolder dir;
    ASSERT_EQ(::mkfifo((dir / "fifo.wav").c_str(), 0644), 0);
    EXPECT_TRUE(readRecordingSamples((dir / "fifo.wav").string()).empty());

    std::vector<uint8_t> header = riff(
        {chunk("fmt ", std::vector<uint8_t>(16, 0), 16), chunk("data", {7, 8, 9}, 0x7FFFFFF0u)});
    const auto huge = dir / "huge.wav";
    std::ofstream(huge, std::ios::binary)
        .write(reinterpret_cast<const char*>(header.data()), std::streamsize(header.size()));
    std::filesystem::resize_file(huge, std::uintmax_t(2) << 30);
    const std::vector<uint8_t> samples = readRecordingSamples(huge.string());
    ASSERT_EQ(samples.size(), kRecordingReadLimit - (header.size() - 3));
    EXPECT_GE(samples.size(), kMostEstimatedSamples);
    EXPECT_EQ(samples[0], 7);
    EXPECT_EQ(samples[2], 9);
}

TEST(RecentClips, KeepsTheNewestThreeEndToEnd) {
    RecentClips clips;
    for (uint8_t c = 1; c <= 4; ++c) clips.add(std::vector<uint8_t>(c, c));
    EXPECT_EQ(clips.count(), 3u);
    EXPECT_EQ(std::vector<uint8_t>(clips.samples().begin(), clips.samples().end()),
              (std::vector<uint8_t>{2, 2, 3, 3, 3, 4, 4, 4, 4}));
    clips.clear();
    EXPECT_EQ(clips.count(), 0u);
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
    std::vector<double> x(8820), twice(8820), early(8820);
    for (size_t i = 0; i < x.size(); ++i) {
        const double t = double(i) / rate, n = 0.3 * random.normal();
        x[i] = n + pluck(0.15, t);
        early[i] = n + pluck(0.02, t);                  // dies away 150 ms before the end
        twice[i] = n + pluck(0.05, t) + pluck(0.3, t);  // 25 dB down when it comes again
    }
    const Envelope e = analyseEnvelope(x, rate);
    EXPECT_NEAR(double(e.onset) / rate, 0.15, 0.011);
    EXPECT_NEAR(e.ringSeconds, 0.23, 0.035);  // blocks of 10 ms, the largest of three
    EXPECT_LT(reattack(e, 0.02), 1.5);
    EXPECT_GT(reattack(analyseEnvelope(twice, rate), 0.02), 5);
    // One exponential loses 3 dB in 3/20 of its way down to -20 dB; a sound that has not
    // died away by the end has no share.
    EXPECT_NEAR(analyseEnvelope(early, rate).holdShare, 0.15, 0.06);
    EXPECT_EQ(e.holdShare, 0);
}

TEST(PeakSpectrum, PlacesPeaksAndGivesMainsNoWeight) {
    constexpr double rate = 22050;
    std::vector<double> x(8820);
    for (size_t i = 0; i < x.size(); ++i) {
        const double t = double(i) / rate;
        x[i] = 40 * std::sin(2 * std::numbers::pi * 173.21 * t) +
               20 * std::sin(2 * std::numbers::pi * 350.0 * t + 1) +  // 7th of 50 Hz
               10 * std::sin(2 * std::numbers::pi * 1234.5 * t + 2);
    }
    PeakSpectrum spectrum;
    spectrum.analyse(x, rate);
    const auto peaks = spectrum.peaks(10, 5000);
    ASSERT_EQ(peaks.size(), 3u);
    EXPECT_NEAR(peaks[0].hz, 173.21, 0.01);
    EXPECT_NEAR(peaks[1].hz, 350.0, 0.01);
    EXPECT_NEAR(peaks[2].hz, 1234.5, 0.01);
    EXPECT_GT(peaks[0].weight, 0);
    EXPECT_EQ(peaks[1].weight, 0);
    EXPECT_NEAR(peaks[0].magnitude / peaks[2].magnitude, 4, 0.05);
}

// Peaks exactly on f(n) = n f0 sqrt(1 + B n^2), f0 = 100 Hz, B = 0.005: f1 = 100
// sqrt(1.005) = 100.2497 Hz.
std::vector<SpectralPeak> stiffPeaks(std::initializer_list<int> numbers) {
    std::vector<SpectralPeak> peaks;
    for (const int n : numbers)
        peaks.push_back({n * 100 * std::sqrt(1 + 0.005 * n * n), 50, 0, 18});
    return peaks;
}

TEST(PitchSeries, FitsFirstModeAndStiffnessFromUpperPartials) {
    const auto peaks = stiffPeaks({2, 3, 4, 5, 6, 7, 8, 9});  // the first mode missing
    SeriesLimits limits;
    limits.resolutionHz = 2.5;
    const auto series = findSeries(peaks, limits);
    ASSERT_FALSE(series.empty());
    EXPECT_NEAR(series[0].f1(), 100.2497, 1e-3);
    EXPECT_NEAR(series[0].b, 0.005, 1e-6);
    EXPECT_EQ(series[0].partials.size(), 8u);
    EXPECT_EQ(series[0].missing, 1);
    // The octave below explains the same peaks as its even partials with B / 4, but
    // predicts nine more that are not there.
    const auto lower = std::find_if(series.begin(), series.end(), [](const SeriesFit& s) {
        return std::abs(s.f1() / 50.03 - 1) < 0.01;
    });
    ASSERT_NE(lower, series.end());
    EXPECT_NEAR(lower->b, 0.005 / 4, 1e-5);
    EXPECT_GE(lower->missing, 9);
    EXPECT_LT(lower->score, series[0].score - 30);
}

TEST(PitchSeries, AStrayPeakFarAboveTheSeriesIsNotPartOfIt) {
    auto peaks = stiffPeaks({1, 2, 3, 4});
    peaks.push_back({31 * 100 * std::sqrt(1 + 0.005 * 31 * 31), 50, 0, 18});
    SeriesLimits limits;
    const SeriesFit fit = refineSeries(peaks, 100, 0.005, limits);
    EXPECT_EQ(fit.partials.size(), 4u);
    EXPECT_EQ(fit.missing, 0);
}

}  // namespace
}  // namespace vellora
