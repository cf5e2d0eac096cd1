// SPDX-License-Identifier: GPL-3.0-or-later
// The precise read-out: a belt's first transverse mode f1 and its stiffness B from a
// recording, or no clear pitch.
//
// Input: the recording's unsigned 8-bit samples (silence near 128): one 400 ms clip
// (8820 samples at 22050 per second) for belts from 40 Hz up; belts from 10 Hz need
// three (26460 samples), 20 Hz two. At most kMostEstimatedSamples are used, the newest. The card's
// real rate is PasFrequence * 4096 samples per second, so a calibrated meter gives
// calibrated readings.
//
// Method (chosen by measurement on plucked stiff belts, bench/pitch_eval): the spectrum of
// everything after the pluck's onset, its peaks over a pink-noise floor, and the stiff-
// string series f(n) = n f0 sqrt(1 + B n^2) that explains them best (pitch_series.h).
// f1 = f0 sqrt(1 + B) comes from all partials, so a weak or missing first mode, strong
// upper partials and stretched partials all give the first mode. A reading is refused
// when another series explains other peaks nearly as well (octave and sub-harmonic
// doubt), when a few partials bend B and f1 away from the first mode heard, when the
// sound is too short, clicks, hums, or changes pitch within the clip.
// A belt damped so hard that its partials are too wide for that, or that shows only two
// or three of them, is read from a model of decaying partials fitted over its ring
// (pitch_decay.h), or refused as ringing too briefly when the ring cannot decide.
#pragma once

#include <cmath>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "pitch/pitch_decay.h"
#include "pitch/pitch_samples.h"
#include "pitch/pitch_series.h"
#include "pitch/pitch_spectrum.h"
#include "wave/wave_format.h"

namespace vellora {

// Every reading lies in this range, whatever the options ask.
inline constexpr double kLowestBeltHz = 10;
inline constexpr double kHighestBeltHz = 1000;

// Samples per second for a scale of `pasFrequence` hertz per bin.
inline double cardRate(float pasFrequence) { return double(pasFrequence) * kTransformSize; }

struct PitchOptions {
    double minHz = kLowestBeltHz;  // the first mode is searched in minHz .. maxHz
    double maxHz = kHighestBeltHz;
    // Partials above this are not followed: microphones and belts give little there.
    double highestPartialHz = 5000;
    double maxInharmonicity = 0.06;
    // Mains hum is discounted for belts; a calibration tone may sit on a mains harmonic
    // (500 or 600 Hz), so its search keeps such peaks.
    bool discountMains = true;
    // A belt is plucked and dies away; a sound that holds its level is an alarm, an
    // engine or a whistle. A calibration tone, or a tuning fork held to check the scale,
    // is read all the same.
    bool readSteadyTones = false;
};

struct PitchEstimate {
    double hz = 0;             // f1, the first transverse mode, Hz
    double inharmonicity = 0;  // B of f(n) = n f0 sqrt(1 + B n^2)
    int partials = 0;          // partials the fit used
    double margin = 0;         // best series' score over the strongest rival's (inf: none)
    // f0 = f1 / sqrt(1 + B): the string without stiffness, for the tension.
    double f0Hz() const { return hz / std::sqrt(1 + inharmonicity); }
};

// Why the last estimate gave no clear pitch.
enum class PitchRefusal {
    None,             // a reading was given
    NoSound,          // silence, or too few samples
    RingsTooBriefly,  // the sound dies before it shows its periods: a knock, or a belt
                      // damped too hard to tell its pitch
    NotDecaying,      // the level holds or grows: an alarm, an engine, a whistle
    NoSeries,         // no partial series explains the peaks well enough
    Doubtful,         // another series explains the peaks nearly as well
    TwoBelts,         // two series of their own, neither clearly the stronger
    Unsteady,         // the pitch moves within the clip, or a second sound follows
    Mains,            // steady hum at the grid's frequency
    OutOfRange,       // the first mode lies outside the range asked
};

// Keeps its transform plans and buffers between calls: one per cycle loop.
class PitchEstimator {
  public:
    explicit PitchEstimator(PitchOptions options = {});

    // nullopt: no clear pitch.
    std::optional<PitchEstimate> estimate(std::span<const uint8_t> samples, float pasFrequence);
    std::optional<PitchEstimate> estimateAtRate(std::span<const uint8_t> samples, double rate);
    // Full-quality sound in -1 .. 1 (a decoded file, not the meter's clip) at its own
    // rate; judged as if 1.0 were 128 steps of the clip, so silence is silence alike.
    std::optional<PitchEstimate> estimateAtRate(std::span<const float> samples, double rate);

    const PitchOptions& options() const { return options_; }
    PitchRefusal lastRefusal() const { return refusal_; }

  private:
    // The estimate from centred_, the samples less their mean, in steps of the clip.
    std::optional<PitchEstimate> estimateCentred(double rate);
    std::optional<PitchEstimate> estimateFromPeaks(double rate);
    // A brief ring's reading from its decaying partials (pitch_decay.h).
    std::optional<PitchEstimate> estimateFromDecay(double rate);
    bool steadyInPitch(std::span<const double> x, double rate, double f0, double b);
    // The halves' spectra and peaks, made once an estimate.
    void analyseHalves(std::span<const double> x, double rate);
    double partialsFade(const SeriesFit& s) const;
    // The power near hz in the second half over the first (after analyseHalves).
    double fadeAt(double hz) const;
    // The series read when a higher one's partials are every k-th of the best one's.
    size_t onEveryKth(std::span<const SeriesFit> series, std::span<const SpectralPeak> peaks,
                      std::span<const double> x, double rate);
    // Gives the peaks of a steady sound under the pluck no weight; true if it did.
    bool discountHeld(std::span<const double> x, double rate, std::vector<SpectralPeak>& peaks,
                      std::span<const SeriesFit> series);

    std::optional<PitchEstimate> refuse(PitchRefusal why) {
        refusal_ = why;
        return std::nullopt;
    }

    PitchOptions options_;
    PitchRefusal refusal_ = PitchRefusal::None;
    std::vector<double> centred_;
    PeakSpectrum spectrum_, halves_[2];
    // The peaks of the two halves of the sound, kept for the estimate under way.
    std::vector<SpectralPeak> halfPeaks_[2];
    // A brief ring, from its onset, its peaks and the loudest of them: kept for the decay
    // fit.
    std::span<const double> briefRing_;
    std::vector<double> briefGuesses_;
    std::vector<SpectralPeak> briefPeaks_;
    DecayFitter decay_;
    const double* halvesOf_ = nullptr;
    size_t halvesSize_ = 0;
};

}  // namespace vellora
