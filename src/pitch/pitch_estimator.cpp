// SPDX-License-Identifier: GPL-3.0-or-later
#include "pitch/pitch_estimator.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "pitch/pitch_envelope.h"
#include "pitch/pitch_series.h"

namespace vellora {

namespace {
// Below a third of a quantisation step RMS the card delivers silence.
constexpr double kSilenceRms = 0.35;
// A belt rings for hundreds of milliseconds; a knock or a door dies within tens.
constexpr double kMinRingSeconds = 0.15;
constexpr double kAnalysedRings = 2.5;
constexpr double kMinAnalysedSeconds = 0.3;
// A second sound as loud as the first after the first had died away (10 dB rise).
constexpr double kMaxReattack = 3;
constexpr double kReattackSmoothing = 0.02;
// The share of its decay a sound may spend within 3 dB of its peak: plucks measured up
// to 0.22, a held syllable 0.58.
constexpr double kMaxHoldShare = 0.4;
// Fewer periods after the onset than this and the partials blur into each other.
constexpr double kMinPeriods = 6;
// Evidence, in dB over the detection threshold summed over the partials: one clear
// partial or several weaker ones.
constexpr double kMinEvidence = 12;
// A series predicting many more unseen partials than it has seen is a guess.
constexpr double kMaxMissingShare = 0.7;
// When nearly all the evidence lies on every k-th partial, the series at k f1 explains
// it as well: the first mode cannot be told from a higher one.
constexpr double kCommonFactorShare = 0.85;
constexpr int kMaxCommonFactor = 5;
// A rival series that explains peaks the best one leaves out, and scores within 10 %
// (and within two clear peaks' evidence), makes the reading a guess.
constexpr double kRivalScoreShare = 0.9;
constexpr double kRivalMargin = 12;
constexpr double kRivalPeakShare = 0.0316;
constexpr double kForeignShare = 0.3;
constexpr double kForeignScoreShare = 0.6;
// Mains hum: a steady, harmonic sound at 50 or 60 Hz, the grid's drift included. A
// stiff belt there shows its stretched partials.
constexpr double kMainsTolerance = 0.003;
constexpr double kSteadyEnd = 0.5;
constexpr double kMainsMaxB = 5e-4;
constexpr double kRivalExtraEvidence = 5;
constexpr double kDistinctF1 = 0.015;
// A fit pressed against the stiffness limit by a few partials, where the spectrum could
// show many more, has bent B to take in peaks of another sound (a first mode of 40.6 Hz
// with B 0.0044 read 43.3 Hz with B 0.051 from partials 6 to 11). Stiff belts near the
// limit at the top of the range show few partials only because the rest lie above the
// spectrum searched; those still read.
constexpr double kNearMaxB = 0.75;
constexpr int kFewPartials = 8;
// Both halves of the sound must give the same first mode: speech glides.
constexpr double kHalfAgreement = 0.006;
constexpr double kHalfAgreementPeriods = 0.3;
constexpr double kLowestPeakShare = 0.9;
constexpr double kSearchAbove = 1.1;
// Full-quality sound is estimated over as long a time as the clips' most samples last
// at the nominal 22050 per second, whatever its own rate.
constexpr double kMostEstimatedSeconds = double(kMostEstimatedSamples) / double(kSampleRate);
constexpr double kStepsPerFullScale = 128;  // the clip's 8-bit steps for 1.0
constexpr int kMaxVisible = 100;
// Partials are followed up to this share of the rate, below the card's anti-alias filter.
constexpr double kHighestPartialShare = 0.45;

// How many partials of a series lie within the spectrum searched.
int visiblePartials(const SeriesFit& s, double loHz, double hiHz) {
    int n = 0;
    for (int k = 1; k <= kMaxVisible; ++k) {
        const double hz = k * s.f0 * std::sqrt(1 + s.b * k * k);
        if (hz > hiHz) break;
        n += hz >= loHz;
    }
    return n;
}

}  // namespace

PitchEstimator::PitchEstimator(PitchOptions options) : options_(options) {
    spectrum_.setDiscountMains(options_.discountMains);
    half_.setDiscountMains(options_.discountMains);
    options_.minHz = std::max(options_.minHz, kLowestBeltHz);
    options_.maxHz = std::min(options_.maxHz, kHighestBeltHz);
}

std::optional<PitchEstimate> PitchEstimator::estimate(std::span<const uint8_t> samples,
                                                      float pasFrequence) {
    return estimateAtRate(samples, cardRate(pasFrequence));
}

std::optional<PitchEstimate> PitchEstimator::estimateAtRate(std::span<const uint8_t> samples,
                                                            double rate) {
    if (!(rate > 0) || options_.minHz > options_.maxHz) return std::nullopt;
    samples = samples.last(std::min(samples.size(), kMostEstimatedSamples));
    if (samples.empty()) return std::nullopt;
    double mean = 0;
    for (const uint8_t s : samples) mean += s;
    mean /= double(samples.size());
    centred_.resize(samples.size());
    for (size_t i = 0; i < samples.size(); ++i) centred_[i] = double(samples[i]) - mean;
    return estimateCentred(rate);
}

std::optional<PitchEstimate> PitchEstimator::estimateAtRate(std::span<const float> samples,
                                                            double rate) {
    if (!(rate > 0) || options_.minHz > options_.maxHz) return std::nullopt;
    samples = samples.last(std::min(samples.size(), size_t(kMostEstimatedSeconds * rate)));
    if (samples.empty()) return std::nullopt;
    double mean = 0;
    for (const float s : samples) mean += s;
    mean /= double(samples.size());
    centred_.resize(samples.size());
    for (size_t i = 0; i < samples.size(); ++i)
        centred_[i] = (double(samples[i]) - mean) * kStepsPerFullScale;
    return estimateCentred(rate);
}

std::optional<PitchEstimate> PitchEstimator::estimateCentred(double rate) {
    const Envelope envelope = analyseEnvelope(centred_, rate);
    if (envelope.rms < kSilenceRms || envelope.ringSeconds < kMinRingSeconds ||
        envelope.holdShare > kMaxHoldShare)
        return std::nullopt;
    // After the sound has died away the recording holds only noise: analysed up to a
    // little past the point where the level fell 20 dB.
    const size_t keep =
        size_t(std::max(kAnalysedRings * envelope.ringSeconds, kMinAnalysedSeconds) * rate);
    const std::span<const double> sound = std::span<const double>(centred_).subspan(
        envelope.onset, std::min(keep, centred_.size() - envelope.onset));
    const double seconds = double(sound.size()) / rate;
    if (seconds * options_.minHz < kMinPeriods && seconds * options_.maxHz < kMinPeriods)
        return std::nullopt;

    spectrum_.analyse(sound, rate);
    // Series are searched well below the lowest reading allowed: when the belt is too
    // low to be read, its partials must still count against a higher guess.
    const double lowestReading = std::max(options_.minHz, kMinPeriods / seconds);
    SeriesLimits limits;
    limits.loHz = kLowestBeltHz;
    // Every series of the whole range competes, whatever range is asked: a narrower one only
    // chooses what may be reported, so a belt outside it still beats a guess inside it
    // (a stiff belt at 140 Hz searched round 20 to 30 Hz read 41.9 Hz with B 0.04).
    limits.hiHz = kSearchAbove * kHighestBeltHz;
    limits.maxB = options_.maxInharmonicity;
    limits.lowestPeakHz = kLowestPeakShare * kLowestBeltHz;
    limits.resolutionHz = spectrum_.resolutionHz();
    const double highestHz = std::min(options_.highestPartialHz, kHighestPartialShare * rate);
    const std::vector<SpectralPeak> peaks = spectrum_.peaks(limits.lowestPeakHz, highestHz);
    if (peaks.empty()) return std::nullopt;
    const std::vector<SeriesFit> series = findSeries(peaks, limits);
    if (series.empty()) return std::nullopt;

    const SeriesFit& best = series.front();
    const int seen = int(best.partials.size());
    if (best.f1() < lowestReading || best.f1() > options_.maxHz) return std::nullopt;
    if (best.explained < kMinEvidence || best.missing > kMaxMissingShare * (seen + best.missing))
        return std::nullopt;
    if (best.b >= kNearMaxB * options_.maxInharmonicity && seen < kFewPartials &&
        visiblePartials(best, limits.lowestPeakHz, highestHz) >= kFewPartials)
        return std::nullopt;
    for (int k = 2; k <= kMaxCommonFactor; ++k) {
        double onK = 0;
        for (const SeriesPartial& p : best.partials)
            if (p.number % k == 0) onK += p.weight;
        if (onK >= kCommonFactorShare * best.explained) return std::nullopt;
    }
    double rival = 0;
    // Peaks 30 dB under the best series' strongest are the 8-bit card's distortion; they
    // make no rival.
    double strongest = 0;
    for (const SeriesPartial& p : best.partials)
        strongest = std::max(strongest, peaks[p.peak].magnitude);
    for (size_t i = 1; i < series.size(); ++i) {
        const SeriesFit& other = series[i];
        if (std::abs(other.f1() / best.f1() - 1) < kDistinctF1) continue;
        // The asked range settles a doubt between the best series inside it and a weaker
        // one outside it: a set-up's target, a calibration tone's range.
        const bool outside = (options_.minHz > kLowestBeltHz && other.f1() < options_.minHz) ||
                             (options_.maxHz < kHighestBeltHz && other.f1() > options_.maxHz);
        double extra = 0;
        for (const SeriesPartial& p : other.partials)
            if (peaks[p.peak].magnitude >= kRivalPeakShare * strongest &&
                std::none_of(best.partials.begin(), best.partials.end(),
                             [&](const SeriesPartial& q) { return q.peak == p.peak; }))
                extra += p.weight;
        if (extra < kRivalExtraEvidence) continue;
        // A second sound: another good series with much evidence of its own.
        if (extra >= kForeignShare * best.explained &&
            other.score >= kForeignScoreShare * best.score)
            return std::nullopt;
        if (!outside) rival = std::max(rival, other.score);
    }
    if (rival >= std::min(kRivalScoreShare * best.score, best.score - kRivalMargin))
        return std::nullopt;
    const double f1 = best.f1();
    const bool mains =
        std::abs(f1 / 50 - 1) < kMainsTolerance || std::abs(f1 / 60 - 1) < kMainsTolerance;
    if (options_.discountMains && mains && best.b < kMainsMaxB && envelope.endToPeak > kSteadyEnd)
        return std::nullopt;
    if (reattack(envelope, std::max(kReattackSmoothing, 1.5 / f1)) > kMaxReattack)
        return std::nullopt;
    if (!steadyInPitch(sound, rate, best.f0, best.b)) return std::nullopt;

    PitchEstimate result;
    result.hz = f1;
    result.inharmonicity = best.b;
    result.partials = seen;
    result.margin = rival > 0 ? best.score / rival : std::numeric_limits<double>::infinity();
    return result;
}

// The same series fitted to each half of the sound must give the same first mode.
bool PitchEstimator::steadyInPitch(std::span<const double> x, double rate, double f0, double b) {
    const size_t half = x.size() / 2;
    const double f1 = f0 * std::sqrt(1 + b);
    const double halfSeconds = double(half) / rate;
    const double tolerance = kHalfAgreement + kHalfAgreementPeriods / (f1 * halfSeconds);
    SeriesLimits limits;
    limits.loHz = kLowestBeltHz / 2;
    limits.hiHz = 2 * kHighestBeltHz;
    limits.maxB = options_.maxInharmonicity;
    limits.lowestPeakHz = kLowestPeakShare * kLowestBeltHz;
    for (int part = 0; part < 2; ++part) {
        half_.analyse(x.subspan(part * half, half), rate);
        limits.resolutionHz = half_.resolutionHz();
        const std::vector<SpectralPeak> peaks = half_.peaks(
            limits.lowestPeakHz, std::min(options_.highestPartialHz, kHighestPartialShare * rate));
        const SeriesFit fit = followSeries(peaks, f0, b, limits);
        // A half with little sound left tells nothing.
        if (fit.explained < kMinEvidence) continue;
        const double g = fit.f1();
        if (std::abs(g / f1 - 1) > tolerance) return false;
    }
    return true;
}

}  // namespace vellora
