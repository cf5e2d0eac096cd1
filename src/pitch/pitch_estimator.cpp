#include "pitch/pitch_estimator.h"
#include "pitch/pitch_samples.h"

#include <algorithm>
#include <cmath>

namespace vellora {

namespace {
// Below a third of a quantisation step RMS the card delivers silence.
constexpr double kSilenceRms = 0.35;
// Noise gives a normalised difference near 1 at every lag; a pluck that decays into
// noise 20 dB down within 100 ms still stays below 0.65 at its period.
constexpr double kMaxAperiodicity = 0.8;
// Found partials must carry a fair share of the spectrum's energy up to the last of them.
constexpr double kMinHarmonicShare = 0.3;
constexpr int kMinOddPartials = 2;
constexpr double kOddShareOfStrongest = 0.03;
constexpr double kHalvingAgreement = 0.01;
// Full-quality sound is estimated over as long a time as the clip's most samples last
// at the nominal 22050 per second, whatever its own rate.
constexpr double kMostEstimatedSeconds = double(kMostEstimatedSamples) / 22050.0;
constexpr double kStepsPerFullScale = 128;  // the clip's 8-bit steps for 1.0
}  // namespace

PitchEstimator::PitchEstimator(PitchOptions options) : options_(options) {}

std::optional<PitchEstimate> PitchEstimator::estimate(std::span<const uint8_t> samples,
                                                      float pasFrequence) {
    return estimateAtRate(samples, cardRate(pasFrequence));
}

std::optional<PitchEstimate> PitchEstimator::estimateAtRate(std::span<const uint8_t> samples,
                                                            double rate) {
    if (!(rate > 0)) return std::nullopt;
    samples = samples.first(std::min(samples.size(), kMostEstimatedSamples));
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
    if (!(rate > 0)) return std::nullopt;
    samples = samples.first(std::min(samples.size(), size_t(kMostEstimatedSeconds * rate)));
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
    double energy = 0;
    for (const double c : centred_) energy += c * c;
    if (std::sqrt(energy / double(centred_.size())) < kSilenceRms) return std::nullopt;

    const std::optional<PeriodEstimate> period =
        period_.find(centred_, rate, options_.minHz, options_.maxHz);
    if (!period || period->aperiodicity > kMaxAperiodicity) return std::nullopt;

    partials_.analyse(centred_, rate);
    const double highest = std::min(options_.highestPartialHz, 0.45 * rate);
    std::optional<PartialFit> fit = partials_.fit(rate / period->lag, highest);
    if (!fit || fit->harmonicShare < kMinHarmonicShare) return std::nullopt;
    // When the odd partials are much weaker than the even ones, half the period is
    // nearly a period too and the search may take it. Odd partials of half the
    // frequency, no more than 30 dB below the strongest and consistent with it, show
    // the belt's real fundamental.
    const double half = fit->fundamentalHz / 2;
    if (half >= options_.minHz) {
        std::optional<PartialFit> lower = partials_.fit(half, highest);
        if (lower && std::abs(lower->fundamentalHz / half - 1) < kHalvingAgreement) {
            double strongest = 0;
            for (const Partial& p : fit->partials) strongest = std::max(strongest, p.level);
            const auto odd = std::count_if(
                lower->partials.begin(), lower->partials.end(), [&](const Partial& p) {
                    return p.number % 2 == 1 && p.level >= kOddShareOfStrongest * strongest;
                });
            if (odd >= kMinOddPartials) fit = std::move(lower);
        }
    }
    PitchEstimate result;
    result.hz = fit->fundamentalHz;
    result.aperiodicity = period->aperiodicity;
    result.partials = int(fit->partials.size());
    result.inharmonicity = fit->inharmonicity;
    return result;
}

}  // namespace vellora
