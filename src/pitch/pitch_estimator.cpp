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
// A belt rings for hundreds of milliseconds, unless it is short, stiff and damped; a
// knock or a door dies within tens, with no series of partials. Under kMinRingSeconds
// (down 20 dB) a ring is brief: analysed over a few rings, read from two partials or
// more that ring kMinRingPeriods periods of the first mode.
constexpr double kMinRingSeconds = 0.15;
constexpr double kMinBriefRingSeconds = 0.02;
constexpr double kAnalysedRings = 2.5;
constexpr double kMinAnalysedSeconds = 0.3;
constexpr double kBriefAnalysedRings = 3;
constexpr double kMinBriefAnalysedSeconds = 0.1;
constexpr double kMinBriefPeriods = 4;
constexpr double kMinRingPeriods = 1.5;
// A belt loses 3 dB a second and more (a 2 s time constant); a held tone stays near 0.
constexpr double kMaxSteadySlope = -3;
// One series of partials louder than another by this power ratio (6 dB) is the belt.
constexpr double kDominance = 4;
// The power of a series from the first half of the sound to the second: a steady sound
// keeps it, a pluck loses it (or gains it, when it came after the sound began).
constexpr double kSteadyFade = 0.8;
constexpr double kPluckFade = 0.5;
bool steady(double fade) { return fade >= kSteadyFade && fade <= 1 / kSteadyFade; }
// An engine's lines hold their level through a clip to within its wander; a string's
// slowest partials still sink or swell more (a harpsichord's odd partials by 15 %).
constexpr double kEngineFade = 0.9;
bool held(double fade) { return fade >= kEngineFade && fade <= 1 / kEngineFade; }
bool plucked(double fade) { return fade <= kPluckFade || fade >= 1 / kPluckFade; }
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
// Nothing but the first mode off every k-th partial, four of them or more seen: the first
// mode is another sound's peak an octave or a twelfth under a belt (a belt of 706 Hz beside
// a peak at 353.2 Hz read 352.5 Hz, its loud partials capping each one's evidence).
constexpr int kMinOnKth = 4;
// Or the partials off every k-th (third or more), the first mode heard among them, carry a
// thirty-second of the power on it or less (15 dB): a belt of 316.95 Hz clipped read
// 78.9 Hz, the clipping's weak peaks filling in the partials between. Instruments'
// strings may keep their odd partials that weak: every second one is no sign.
constexpr double kOffKthPower = 1.0 / 32;
constexpr int kLeastPowerFactor = 3;
// A rival series that explains peaks the best one leaves out, and scores within 10 %
// (and within two clear peaks' evidence), makes the reading a guess.
constexpr double kRivalScoreShare = 0.9;
constexpr double kRivalMargin = 12;
constexpr double kRivalPeakShare = 0.0316;
constexpr double kForeignShare = 0.3;
constexpr double kForeignScoreShare = 0.6;
// A first mode 12 dB under its series' strongest partial: a high-pass may have left it.
constexpr double kWeakFirstShare = 0.25;
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
// B fitted from a few partials bends with any one of them placed a little off (the room's
// reverberation, a peak of a few steps), and f1 with it: a belt of 24.6 Hz seen in its
// partials 1, 2 and 5 read 24.1 Hz with B 0.024. Its first mode, where heard, must then
// agree with the series fitted; many partials place f1 without it.
constexpr int kFewToPlace = 6;
constexpr double kFirstModeAgreement = 0.0175;
// Both halves of the sound must give the same first mode: speech glides.
constexpr double kHalfAgreement = 0.006;
constexpr double kHalfAgreementPeriods = 0.3;
constexpr size_t kMostPartialsGuessed = 4;
constexpr int kMinGlidingPartials = 3;
constexpr double kGlidePlacings = 3;
constexpr int kFollowRounds = 2;
constexpr double kStrayShare = 0.1;
constexpr double kMaxStray = 0.5;
// Half the power of the sound's peaks at least lies in the series read.
constexpr double kMinEnergyShare = 0.5;
constexpr double kSplitShare = 0.015;
// Peaks that hold their level (within 2 dB) from the first half of the sound to the second,
// while the sound dies away, are a steady sound under the pluck: an engine's harmonics
// or a hum. Where several of them make up this share of a series, the series is that sound
// and its held peaks are no evidence of a belt (as mains hum is none): else the engine
// at 45.7 Hz took a belt of 824.8 Hz as its 18th harmonic, or a belt's fourth
// sub-harmonic an engine's harmonic as its first mode. Unless the held peaks carry most of
// the power: then the loudest sound holds, a belt that rings long.
constexpr double kHeldFade = 0.65;
constexpr int kMinHeldPartials = 4;
constexpr double kHeldSeriesShare = 0.3;
constexpr double kMaxHeldPower = 0.5;
// A struck bar or plate rings in modes at ratios no string has (a bar's 2.76 and 5.40),
// dying with the one taken for a first mode. A series of this many partials or fewer
// beside such peaks, of this share of its own evidence, is one of those modes.
constexpr int kFewModes = 3;
constexpr double kMaxInharmonicShare = 0.4;
// Periods a half must hold for its peaks to be sharp enough to show a missing series.
constexpr double kGlidePeriods = 12;
constexpr double kLowestPeakShare = 0.9;
constexpr double kSearchAbove = 1.1;
// Full-quality sound is estimated over as long a time as the clips' most samples last
// at the nominal 22050 per second, whatever its own rate.
constexpr double kMostEstimatedSeconds = double(kMostEstimatedSamples) / double(kSampleRate);
constexpr double kStepsPerFullScale = 128;  // the clip's 8-bit steps for 1.0
constexpr int kMaxVisible = 100;
// Partials are followed up to this share of the rate, below the card's anti-alias filter.
constexpr double kHighestPartialShare = 0.45;
// The loudest peaks of a brief ring, each a guess of some partial for the decay fit.
constexpr size_t kDecayGuesses = 4;
// Peaks of a brief ring within 20 dB of its loudest, up to its third partial, lie near a
// partial of the series fitted (damped belts' within 0.07 of the spacing), or the ring is
// a struck pipe's or bar's modes (a bar's second at 2.756 times its first). Higher
// partials of a wide ring stray further with an error in B.
constexpr double kStrongPeakShare = 0.1;
constexpr double kOffPartial = 0.15;
constexpr double kCheckedPartials = 3.5;
// Such a peak is another sound's where the series fitted leaves half its power there: else
// it is the skirts of the series' own wide partials.
constexpr double kUnexplainedPower = 0.5;
// Under the first mode, a peak at which the ring lasts less than a period (its time
// constant) is no mode of what rang: a room's rumble (a pipe's lower modes ring there for
// 1.4 periods and more).
constexpr double kMinModePeriods = 1;
// A brief ring read from this many peaks or fewer; its decay fit within 2 % agrees.
constexpr int kFewPeaksOfRing = 3;
constexpr double kRingAgreement = 0.02;
// A ring of this many periods of its first mode (its time constant) shows a belt's other
// partials as peaks of their own (the damped belts read show one from 7 on); without one
// it is a single mode, a struck pipe's.
constexpr double kResolvedPeriods = 8;

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

// A belt's partial split in two: its two planes of vibration.
bool splitFrom(const SeriesFit& s, const SpectralPeak& peak, double resolutionHz) {
    return std::any_of(s.partials.begin(), s.partials.end(), [&](const SeriesPartial& p) {
        return std::abs(peak.hz - p.hz) <= kSplitShare * p.hz + resolutionHz;
    });
}

// The share of the peaks' power that a series explains, its partials' split twins included;
// mains hum, which is no evidence either way, left out: peaks on mains harmonics alone (a
// belt of 150 Hz) leave no louder sound unexplained.
double energyShare(const SeriesFit& s, std::span<const SpectralPeak> peaks, double resolutionHz) {
    double all = 0, mine = 0;
    for (const SpectralPeak& p : peaks) {
        if (p.weight <= 0) continue;
        all += p.energy;
        if (splitFrom(s, p, resolutionHz)) mine += p.energy;
    }
    return all > 0 ? mine / all : 1;
}

// The magnitude of a series' loudest partial.
double strongestPartial(const SeriesFit& s, std::span<const SpectralPeak> peaks) {
    double strongest = 0;
    for (const SeriesPartial& p : s.partials)
        strongest = std::max(strongest, peaks[p.peak].magnitude);
    return strongest;
}

bool shares(const SeriesFit& s, size_t peak) {
    return std::any_of(s.partials.begin(), s.partials.end(),
                       [&](const SeriesPartial& q) { return q.peak == peak; });
}

// The power of a series' peaks, a peak both take counted for the series in which it is
// the lower partial: a belt's loud first mode may fit a lower series' twentieth.
double ownPower(const SeriesFit& s, const SeriesFit& other, std::span<const SpectralPeak> peaks) {
    double power = 0;
    for (const SeriesPartial& p : s.partials) {
        const auto q = std::find_if(other.partials.begin(), other.partials.end(),
                                    [&](const SeriesPartial& o) { return o.peak == p.peak; });
        const double share = q == other.partials.end() || p.number < q->number ? 1
                             : p.number == q->number                           ? 0.5
                                                                               : 0;
        power += share * peaks[p.peak].energy;
    }
    return power;
}

}  // namespace

PitchEstimator::PitchEstimator(PitchOptions options) : options_(options) {
    spectrum_.setDiscountMains(options_.discountMains);
    for (PeakSpectrum& h : halves_) h.setDiscountMains(options_.discountMains);
    options_.minHz = std::max(options_.minHz, kLowestBeltHz);
    options_.maxHz = std::min(options_.maxHz, kHighestBeltHz);
}

std::optional<PitchEstimate> PitchEstimator::estimate(std::span<const uint8_t> samples,
                                                      float pasFrequence) {
    return estimateAtRate(samples, cardRate(pasFrequence));
}

std::optional<PitchEstimate> PitchEstimator::estimateAtRate(std::span<const uint8_t> samples,
                                                            double rate) {
    if (!(rate > 0) || options_.minHz > options_.maxHz) return refuse(PitchRefusal::NoSound);
    samples = samples.last(std::min(samples.size(), kMostEstimatedSamples));
    if (samples.empty()) return refuse(PitchRefusal::NoSound);
    double mean = 0;
    for (const uint8_t s : samples) mean += s;
    mean /= double(samples.size());
    centred_.resize(samples.size());
    for (size_t i = 0; i < samples.size(); ++i) centred_[i] = double(samples[i]) - mean;
    return estimateCentred(rate);
}

std::optional<PitchEstimate> PitchEstimator::estimateAtRate(std::span<const float> samples,
                                                            double rate) {
    if (!(rate > 0) || options_.minHz > options_.maxHz) return refuse(PitchRefusal::NoSound);
    samples = samples.last(std::min(samples.size(), size_t(kMostEstimatedSeconds * rate)));
    if (samples.empty()) return refuse(PitchRefusal::NoSound);
    double mean = 0;
    for (const float s : samples) mean += s;
    mean /= double(samples.size());
    centred_.resize(samples.size());
    for (size_t i = 0; i < samples.size(); ++i)
        centred_[i] = (double(samples[i]) - mean) * kStepsPerFullScale;
    return estimateCentred(rate);
}

std::optional<PitchEstimate> PitchEstimator::estimateCentred(double rate) {
    briefRing_ = {};
    std::optional<PitchEstimate> e = estimateFromPeaks(rate);
    // Two or three wide peaks of a brief ring place f1 only roughly (B taken as 0, or an
    // octave wrong): the decay fit over the ring, where it reads, places it, or refutes it.
    if (e && !briefRing_.empty() && e->partials <= kFewPeaksOfRing) {
        const std::optional<PitchEstimate> fitted = estimateFromDecay(rate);
        if (!fitted) {
            refusal_ = PitchRefusal::None;
            return e;
        }
        if (std::abs(fitted->hz / e->hz - 1) > kRingAgreement)
            return refuse(PitchRefusal::Doubtful);
        return fitted;
    }
    // A ring too brief for its partials to show as peaks: the decaying partials fitted
    // over the ring itself may still tell its first mode.
    if (e || briefRing_.empty() ||
        (refusal_ != PitchRefusal::NoSeries && refusal_ != PitchRefusal::Doubtful &&
         refusal_ != PitchRefusal::RingsTooBriefly))
        return e;
    return estimateFromDecay(rate);
}

std::optional<PitchEstimate> PitchEstimator::estimateFromDecay(double rate) {
    DecayLimits limits;
    limits.loHz = options_.minHz;
    limits.hiHz = options_.maxHz;
    limits.maxB = options_.maxInharmonicity;
    limits.highestHz = std::min(options_.highestPartialHz, kHighestPartialShare * rate);
    const DecayFit fit = decay_.fit(briefRing_, rate, briefGuesses_, limits);
    if (fit.verdict == DecayVerdict::TooBrief) return refuse(PitchRefusal::RingsTooBriefly);
    if (fit.verdict != DecayVerdict::Read) return std::nullopt;  // the first refusal stands
    // The series read carries half the power of the spectrum's peaks, as one read from
    // them must: else the ring is a higher partial of a belt whose lower ones the fit
    // did not try (a phone's high-pass takes them away), or another sound's.
    SeriesFit series;
    series.b = fit.b;
    series.f0 = fit.f1 / std::sqrt(1 + fit.b);
    for (int n = 1; n <= kMaxVisible; ++n) {
        const double hz = partialHz(series.f0, fit.b, n);
        if (hz > limits.highestHz) break;
        series.partials.push_back({.number = n, .hz = hz});
    }
    if (energyShare(series, briefPeaks_, spectrum_.resolutionHz()) < kMinEnergyShare)
        return std::nullopt;
    // A series of a few partials fits the modes of a tapped pipe too, but leaves its other
    // strong modes between its partials, or under its first mode.
    double loudest = 0;
    for (const SpectralPeak& p : briefPeaks_) loudest = std::max(loudest, p.magnitude);
    bool upper = false;
    for (const SpectralPeak& p : briefPeaks_) {
        if (p.weight <= 0) continue;
        const double n = partialNumber(series.f0, series.b, p.hz);
        const bool on = std::abs(n - std::max(1.0, std::round(n))) <= kOffPartial;
        upper = upper || (on && std::round(n) >= 2);
        if (!on && n < kCheckedPartials && p.magnitude >= kStrongPeakShare * loudest &&
            (n >= 1 || p.hz * fit.tau1 >= kMinModePeriods) &&
            decay_.unexplained(p.hz, spectrum_.resolutionHz()) >= kUnexplainedPower)
            return refuse(PitchRefusal::NoSeries);
    }
    if (!upper && fit.tau1 * fit.f1 >= kResolvedPeriods) return refuse(PitchRefusal::NoSeries);
    refusal_ = PitchRefusal::None;
    PitchEstimate result;
    result.hz = fit.f1;
    result.inharmonicity = fit.b;
    result.partials = fit.partials;
    result.margin = std::numeric_limits<double>::infinity();
    return result;
}

std::optional<PitchEstimate> PitchEstimator::estimateFromPeaks(double rate) {
    halvesOf_ = nullptr;
    const Envelope envelope = analyseEnvelope(centred_, rate);
    if (envelope.rms < kSilenceRms) return refuse(PitchRefusal::NoSound);
    if (envelope.ringSeconds < kMinBriefRingSeconds) return refuse(PitchRefusal::RingsTooBriefly);
    if (envelope.holdShare > kMaxHoldShare) return refuse(PitchRefusal::Unsteady);
    // A sound that rings to the end of the recording without falling is no pluck, nor one
    // switched off after holding its level.
    if (!options_.readSteadyTones &&
        ((envelope.holdShare == 0 && !(envelope.slopeDbPerS < kMaxSteadySlope)) ||
         envelope.abruptEnd))
        return refuse(PitchRefusal::NotDecaying);
    // A belt damped hard dies within a tenth of a second: the spectrum of a span a few
    // times its ring, with a window that only fades out, still holds its partials.
    const bool brief = envelope.ringSeconds < kMinRingSeconds;
    // After the sound has died away the recording holds only noise: analysed up to a
    // little past the point where the level fell 20 dB.
    const size_t keep = size_t(
        (brief ? std::max(kBriefAnalysedRings * envelope.ringSeconds, kMinBriefAnalysedSeconds)
               : std::max(kAnalysedRings * envelope.ringSeconds, kMinAnalysedSeconds)) *
        rate);
    const std::span<const double> sound = std::span<const double>(centred_).subspan(
        envelope.onset, std::min(keep, centred_.size() - envelope.onset));
    const double seconds = double(sound.size()) / rate;
    const double minPeriods = brief ? kMinBriefPeriods : kMinPeriods;
    if (seconds * options_.minHz < minPeriods && seconds * options_.maxHz < minPeriods)
        return refuse(PitchRefusal::RingsTooBriefly);

    spectrum_.analyse(sound, rate, brief);
    // Series are searched well below the lowest reading allowed: when the belt is too
    // low to be read, its partials must still count against a higher guess.
    const double lowestReading = std::max(options_.minHz, minPeriods / seconds);
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
    std::vector<SpectralPeak> peaks = spectrum_.peaks(limits.lowestPeakHz, highestHz);
    if (brief) {
        // All that follows the onset: the decay fit also looks at the ring's later part.
        briefRing_ = std::span<const double>(centred_).subspan(envelope.onset);
        // A ring that dies within a tenth of a second is no hum: its partials on mains
        // harmonics (a belt of 150 Hz) are its own.
        spectrum_.setDiscountMains(false);
        briefPeaks_ = spectrum_.peaks(limits.lowestPeakHz, highestHz);
        if (std::none_of(briefPeaks_.begin(), briefPeaks_.end(),
                         [](const SpectralPeak& p) { return p.weight > 0; }))
            briefPeaks_ = spectrum_.broadPeaks(limits.lowestPeakHz, highestHz);
        std::vector<SpectralPeak> loudest = briefPeaks_;
        std::sort(loudest.begin(), loudest.end(),
                  [](const SpectralPeak& a, const SpectralPeak& b) { return a.energy > b.energy; });
        briefGuesses_.clear();
        for (const SpectralPeak& p : loudest)
            if (p.weight > 0 && briefGuesses_.size() < kDecayGuesses) briefGuesses_.push_back(p.hz);
        // A first mode damped so hard that its lobe fills its band is no peak over the
        // band's floor, though the loudest of the ring: over the whole span's floor it is.
        double strongest = 0;
        for (const SpectralPeak& p : briefPeaks_) strongest = std::max(strongest, p.magnitude);
        const std::vector<SpectralPeak> broad =
            spectrum_.broadPeaks(limits.lowestPeakHz, highestHz);
        const auto wide = std::max_element(
            broad.begin(), broad.end(),
            [](const SpectralPeak& a, const SpectralPeak& b) { return a.magnitude < b.magnitude; });
        if (wide != broad.end() && wide->weight > 0 && wide->magnitude > strongest &&
            std::none_of(briefGuesses_.begin(), briefGuesses_.end(), [&](double g) {
                return std::abs(g - wide->hz) <= 2 * limits.resolutionHz;
            })) {
            // Second: the loudest peak still sets the band fitted.
            briefGuesses_.insert(
                briefGuesses_.begin() + std::ptrdiff_t(std::min<size_t>(1, briefGuesses_.size())),
                wide->hz);
            if (briefGuesses_.size() > kDecayGuesses) briefGuesses_.pop_back();
        }
        spectrum_.setDiscountMains(options_.discountMains);
    }
    if (peaks.empty()) return refuse(PitchRefusal::NoSeries);
    std::vector<SeriesFit> series = findSeries(peaks, limits);
    if (!brief && !options_.readSteadyTones && discountHeld(sound, rate, peaks, series))
        series = findSeries(peaks, limits);
    // A series whose first mode is not heard, nor its second and third partials, has no
    // evidence of its own for its lowest partials: it is a sub-harmonic of the sound.
    std::vector<SeriesFit> unheard;
    std::erase_if(series, [&](const SeriesFit& s) {
        const auto has = [&](int n) {
            return std::any_of(s.partials.begin(), s.partials.end(),
                               [&](const SeriesPartial& p) { return p.number == n; });
        };
        // Without the first mode, three peaks would fit some stiff series by chance:
        // a tapped plate's modes do.
        const bool erase =
            !(has(1) || (has(2) && has(3) && s.partials.size() >= kMostPartialsGuessed)) ||
            (brief && s.partials.size() < 2);
        if (erase && s.partials.size() >= 2) unheard.push_back(s);
        return erase;
    });
    if (series.empty()) return refuse(PitchRefusal::NoSeries);
    // The loudest peak belongs to some series of two partials or more: else the sound is
    // a struck bar or plate, whose modes are no series.
    const size_t loudest =
        size_t(std::max_element(peaks.begin(), peaks.end(),
                                [](const SpectralPeak& a, const SpectralPeak& b) {
                                    return a.magnitude < b.magnitude;
                                }) -
               peaks.begin());
    if (std::none_of(
            series.begin(), series.end(),
            [&](const SeriesFit& s) { return s.partials.size() >= 2 && shares(s, loudest); }) &&
        !shares(series.front(), loudest))
        return refuse(PitchRefusal::NoSeries);

    // The best series, unless a series of other peaks is clearly louder: then that belt
    // is the one plucked and the best one's peaks are a second belt or the engine.
    size_t chosen = brief ? 0 : onEveryKth(series, peaks, sound, rate);
    double rival = 0;
    for (int pass = 0;; ++pass) {
        const SeriesFit& best = series[chosen];
        // Peaks 30 dB under the best series' strongest are the 8-bit card's distortion;
        // they make no rival.
        const double strongest = strongestPartial(best, peaks);
        rival = 0;
        std::optional<size_t> louder;
        for (size_t i = 0; i < series.size(); ++i) {
            const SeriesFit& other = series[i];
            if (i == chosen || std::abs(other.f1() / best.f1() - 1) < kDistinctF1) continue;
            // The asked range settles a doubt between the best series inside it and a
            // weaker one outside it: a set-up's target, a calibration tone's range.
            const bool outside = (options_.minHz > kLowestBeltHz && other.f1() < options_.minHz) ||
                                 (options_.maxHz < kHighestBeltHz && other.f1() > options_.maxHz);
            double extra = 0;
            for (const SeriesPartial& p : other.partials)
                if (peaks[p.peak].magnitude >= kRivalPeakShare * strongest && !shares(best, p.peak))
                    extra += p.weight;
            if (extra < kRivalExtraEvidence) continue;
            if (extra >= kForeignShare * best.explained) {
                // A second sound: another good series with much evidence of its own. The
                // louder one is the belt when it clearly dominates.
                const double mine = ownPower(best, other, peaks),
                             its = ownPower(other, best, peaks);
                // A steady series under a decaying one is an engine or a hum under the
                // pluck, however loud.
                if (!brief) analyseHalves(sound, rate);
                const double fadeMine = brief ? 0 : partialsFade(best),
                             fadeIts = brief ? 0 : partialsFade(other);
                const bool minePlucked = !brief && steady(fadeIts) && plucked(fadeMine) &&
                                         mine * kDominance * kDominance >= its;
                const bool itsPlucked = !brief && steady(fadeMine) && plucked(fadeIts) &&
                                        its * kDominance * kDominance >= mine;
                if (minePlucked || (!itsPlucked && mine >= kDominance * its)) {
                    // Another reading of the same peaks, not a second belt, is still a doubt.
                    const bool apart =
                        std::none_of(other.partials.begin(), other.partials.end(),
                                     [&](const SeriesPartial& p) { return shares(best, p.peak); });
                    if (!apart && !outside) rival = std::max(rival, other.score);
                    continue;
                }
                if ((itsPlucked || its >= kDominance * mine) && pass == 0) {
                    if (!louder || its > ownPower(series[*louder], best, peaks)) louder = i;
                    continue;
                }
                // A series that takes every peak of a brief ring's best one (its partials
                // 2, 4 and 6 taken for a series of their own) is another reading of the
                // same belt, not a second one: the decay fit may still tell.
                const bool takesAll =
                    std::all_of(best.partials.begin(), best.partials.end(),
                                [&](const SeriesPartial& p) { return shares(other, p.peak); });
                if (other.score >= kForeignScoreShare * best.score)
                    return refuse(brief && takesAll ? PitchRefusal::Doubtful
                                                    : PitchRefusal::TwoBelts);
                continue;
            }
            if (!outside) rival = std::max(rival, other.score);
        }
        if (!louder) break;
        chosen = *louder;
    }
    const SeriesFit& best = series[chosen];
    const int seen = int(best.partials.size());
    // The belt is the loudest sound: a series under louder peaks it does not explain is an
    // engine's harmonics or the quieter of two belts.
    if (energyShare(best, peaks, limits.resolutionHz) < kMinEnergyShare)
        return refuse(PitchRefusal::TwoBelts);
    // A peak on a mains harmonic, louder than the series read, that dies away like a pluck is
    // no hum but the louder belt (one of 240.1 Hz left the quieter one of 57.9 Hz read).
    if (!brief) {
        const double strongest = strongestPartial(best, peaks);
        for (const SpectralPeak& p : peaks) {
            if (p.weight > 0 || p.magnitude <= strongest || splitFrom(best, p, limits.resolutionHz))
                continue;
            analyseHalves(sound, rate);
            if (plucked(fadeAt(p.hz))) return refuse(PitchRefusal::TwoBelts);
        }
    }
    if (best.f1() < lowestReading || best.f1() > options_.maxHz)
        return refuse(best.f1() < lowestReading && best.f1() >= options_.minHz
                          ? PitchRefusal::RingsTooBriefly
                          : PitchRefusal::OutOfRange);
    if (best.explained < kMinEvidence || best.missing > kMaxMissingShare * (seen + best.missing))
        return refuse(PitchRefusal::NoSeries);
    if (best.b >= kNearMaxB * options_.maxInharmonicity && seen < kFewPartials &&
        (visiblePartials(best, limits.lowestPeakHz, highestHz) >= kFewPartials ||
         best.missing >= seen))
        return refuse(PitchRefusal::NoSeries);
    if (seen <= kFewToPlace &&
        std::any_of(best.partials.begin(), best.partials.end(), [&](const SeriesPartial& p) {
            return p.number == 1 && std::abs(p.hz / best.f1() - 1) > kFirstModeAgreement;
        }))
        return refuse(PitchRefusal::Doubtful);
    // Strong peaks that no series takes, as many as the series' own: a struck bar or
    // plate, whose modes are no series, with one of them taken for a belt.
    double stray = 0;
    for (size_t i = 0; i < peaks.size(); ++i)
        if (peaks[i].magnitude >= kStrayShare * peaks[loudest].magnitude &&
            std::none_of(series.begin(), series.end(),
                         [&](const SeriesFit& s) {
                             return shares(s, i) && (s.partials.size() >= 2 || &s == &best);
                         }) &&
            !splitFrom(best, peaks[i], limits.resolutionHz))
            stray += peaks[i].weight;
    if (stray >= kMaxStray * best.explained) return refuse(PitchRefusal::NoSeries);
    // A tap's other modes, however weak: peaks of no series that die with the sound (a
    // second belt's partials make a series of their own; an engine's hold).
    if (seen <= kFewModes) {
        if (!brief) analyseHalves(sound, rate);
        double inharmonic = 0;
        for (size_t i = 0; i < peaks.size(); ++i)
            if (!shares(best, i) && !splitFrom(best, peaks[i], limits.resolutionHz) &&
                (brief || !steady(fadeAt(peaks[i].hz))) &&
                std::none_of(series.begin(), series.end(), [&](const SeriesFit& s) {
                    return &s != &best && s.partials.size() >= kFewModes && shares(s, i);
                }))
                inharmonic += peaks[i].weight;
        if (inharmonic >= kMaxInharmonicShare * best.explained)
            return refuse(PitchRefusal::NoSeries);
    }
    for (int k = 2; k <= kMaxCommonFactor; ++k) {
        double onK = 0, powerOn = 0, powerOff = 0;
        int seenOnK = 0, seenOff = 0;
        for (const SeriesPartial& p : best.partials) {
            const bool on = p.number % k == 0;
            if (on) onK += p.weight;
            ++(on ? seenOnK : seenOff);
            (on ? powerOn : powerOff) += peaks[p.peak].energy;
        }
        if (onK >= kCommonFactorShare * best.explained) return refuse(PitchRefusal::Doubtful);
        if (seenOff == 1 && best.partials.front().number == 1 && seenOnK >= kMinOnKth)
            return refuse(PitchRefusal::Doubtful);
        if (k >= kLeastPowerFactor && best.partials.front().number == 1 &&
            powerOff <= kOffKthPower * powerOn)
            return refuse(PitchRefusal::Doubtful);
    }
    if (chosen == 0 && rival >= std::min(kRivalScoreShare * best.score, best.score - kRivalMargin))
        return refuse(PitchRefusal::Doubtful);
    // A lower series without its first mode that takes every peak of the one read and
    // clear peaks between them: the first mode may be the missing one (a damped belt's
    // odd partials beside its even ones, a high-passed belt's), or not; no reading either
    // way.
    for (const SeriesFit& u : unheard) {
        if (u.f1() >= best.f1() ||
            !std::all_of(best.partials.begin(), best.partials.end(),
                         [&](const SeriesPartial& p) { return shares(u, p.peak); }))
            continue;
        const double strongest = strongestPartial(best, peaks);
        // Over a ring long enough for sharp peaks, those between must be no clearly weaker
        // sound (an engine's harmonics or a second belt's partials fall between a belt's by
        // chance): a high-passed belt's odd partials.
        double between = 0, betweenPower = 0, readPower = 0, loudestBetween = 0, first = 0;
        SeriesFit clear;  // the clear peaks between
        for (const SeriesPartial& p : u.partials) {
            if (shares(best, p.peak)) continue;
            betweenPower += peaks[p.peak].energy;
            if (peaks[p.peak].magnitude < kRivalPeakShare * strongest) continue;
            between += p.weight;
            clear.partials.push_back(p);
            loudestBetween = std::max(loudestBetween, peaks[p.peak].magnitude);
        }
        for (const SeriesPartial& p : best.partials) {
            readPower += peaks[p.peak].energy;
            if (p.number == 1) first = peaks[p.peak].magnitude;
        }
        if (between < kRivalExtraEvidence) continue;
        if (brief || kDominance * betweenPower >= readPower) return refuse(PitchRefusal::Doubtful);
        // Or the first mode read is heard far under the series' strongest partial, as a
        // high-pass leaves a belt's second one, and the peaks between, not far weaker, die
        // away with the sound: a belt of 20.2 Hz through a phone read 40.4 Hz.
        if (first > 0 && first < kWeakFirstShare * strongest &&
            loudestBetween >= kStrongPeakShare * strongest) {
            analyseHalves(sound, rate);
            if (partialsFade(clear) <= kPluckFade) return refuse(PitchRefusal::Doubtful);
        }
    }
    // A brief ring's strong peak between the lower partials of the series read is one of a
    // lower series whose first mode died too fast to make a peak: a damped belt of 160.5 Hz
    // read 321.8 Hz, its third partial left half way between the first two read.
    if (brief)
        for (const SpectralPeak& p : peaks) {
            const double n = partialNumber(best.f0, best.b, p.hz);
            if (p.weight > 0 && p.magnitude >= kStrongPeakShare * peaks[loudest].magnitude &&
                n > 1 && n < kCheckedPartials && std::abs(n - std::round(n)) > kOffPartial &&
                !splitFrom(best, p, limits.resolutionHz))
                return refuse(PitchRefusal::NoSeries);
        }
    const double f1 = best.f1();
    if (brief && envelope.ringSeconds * f1 < kMinRingPeriods)
        return refuse(PitchRefusal::RingsTooBriefly);
    const bool mains =
        std::abs(f1 / 50 - 1) < kMainsTolerance || std::abs(f1 / 60 - 1) < kMainsTolerance;
    if (options_.discountMains && mains && best.b < kMainsMaxB && envelope.endToPeak > kSteadyEnd)
        return refuse(PitchRefusal::Mains);
    if (reattack(envelope, std::max(kReattackSmoothing, 1.5 / f1)) > kMaxReattack)
        return refuse(PitchRefusal::Unsteady);
    if (!brief && !steadyInPitch(sound, rate, best.f0, best.b))
        return refuse(PitchRefusal::Unsteady);

    refusal_ = PitchRefusal::None;
    PitchEstimate result;
    result.hz = f1;
    result.inharmonicity = best.b;
    result.partials = seen;
    result.margin = rival > 0 ? best.score / rival : std::numeric_limits<double>::infinity();
    return result;
}

// A belt whose partials fall on an engine's harmonics: the engine's series at f1 takes the
// belt's partials as its every k-th. When the partials it adds are steady (a belt rings
// down; one high-passed may lose its odd partials to a sixteenth of the even ones' power)
// and carry a sixteenth of the power of those it shares or less, or less than those and
// each holding while the shared ones die away, the belt is the series at k f1; else the
// best.
size_t PitchEstimator::onEveryKth(std::span<const SeriesFit> series,
                                  std::span<const SpectralPeak> peaks, std::span<const double> x,
                                  double rate) {
    const SeriesFit& best = series.front();
    analyseHalves(x, rate);
    for (int k = kMaxCommonFactor; k >= 2; --k) {
        double on = 0, off = 0;
        SeriesFit added, shared;  // the partials the series at f1 adds to the one at k f1
        for (const SeriesPartial& p : best.partials) {
            if (p.number % k == 0) {
                on += peaks[p.peak].energy;
                shared.partials.push_back(p);
                continue;
            }
            off += peaks[p.peak].energy;
            added.partials.push_back(p);
        }
        const auto dies = [&](const SeriesPartial& p) { return fadeAt(p.hz) <= kPluckFade; };
        // Or the shared partials, the k-th first, die away as a belt's while not one that
        // it adds does: an engine's lines between a belt's partials, however loud.
        const bool apart = on >= off && !shared.partials.empty() &&
                           shared.partials.front().number == k && dies(shared.partials.front()) &&
                           partialsFade(shared) <= kPluckFade &&
                           std::none_of(added.partials.begin(), added.partials.end(), dies) &&
                           held(partialsFade(added));
        if (!steady(partialsFade(added)) || (on < kDominance * kDominance * off && !apart))
            continue;
        for (size_t i = 1; i < series.size(); ++i)
            if (std::abs(series[i].f1() / (k * best.f1()) - 1) < kDistinctF1) return i;
    }
    return 0;
}

void PitchEstimator::analyseHalves(std::span<const double> x, double rate) {
    if (halvesOf_ == x.data() && halvesSize_ == x.size()) return;
    const size_t half = x.size() / 2;
    for (int part = 0; part < 2; ++part) {
        halves_[part].analyse(x.subspan(size_t(part) * half, half), rate);
        halfPeaks_[part] =
            halves_[part].peaks(kLowestPeakShare * kLowestBeltHz,
                                std::min(options_.highestPartialHz, kHighestPartialShare * rate));
    }
    halvesOf_ = x.data();
    halvesSize_ = x.size();
}

// The power at a series' partials in the second half of the sound over the first, whether
// they stand out there as peaks or not: near 1 for a steady sound, less for a pluck. (Peaks
// found in each half made a steady engine under a loud pluck look like a swell: the pluck
// raised the first half's floor over its partials.)
double PitchEstimator::partialsFade(const SeriesFit& s) const {
    double power[2] = {0, 0};
    for (int part = 0; part < 2; ++part)
        for (const SeriesPartial& p : s.partials) {
            const double m = halves_[part].magnitudeNear(p.hz, halves_[part].resolutionHz());
            power[part] += m * m;
        }
    return power[1] / std::max(power[0], 1e-300);
}

bool PitchEstimator::discountHeld(std::span<const double> x, double rate,
                                  std::vector<SpectralPeak>& peaks,
                                  std::span<const SeriesFit> series) {
    analyseHalves(x, rate);
    std::vector<bool> isHeld(peaks.size());
    for (size_t i = 0; i < peaks.size(); ++i) {
        const double fade = fadeAt(peaks[i].hz);
        isHeld[i] = fade >= kHeldFade && fade <= 1 / kHeldFade;
    }
    std::vector<bool> discount(peaks.size(), false);
    for (const SeriesFit& s : series) {
        int count = 0;
        double weight = 0;
        for (const SeriesPartial& p : s.partials)
            if (isHeld[p.peak]) ++count, weight += p.weight;
        if (count < kMinHeldPartials || weight < kHeldSeriesShare * s.explained) continue;
        for (const SeriesPartial& p : s.partials)
            if (isHeld[p.peak]) discount[p.peak] = true;
    }
    double all = 0, steadyPower = 0;
    for (size_t i = 0; i < peaks.size(); ++i) {
        all += peaks[i].energy;
        if (discount[i]) steadyPower += peaks[i].energy;
    }
    if (steadyPower == 0 || steadyPower >= kMaxHeldPower * all) return false;
    for (size_t i = 0; i < peaks.size(); ++i)
        if (discount[i]) peaks[i].weight = 0;
    return true;
}

// The power near hz in the second half of the sound over the first.
double PitchEstimator::fadeAt(double hz) const {
    const double m0 = halves_[0].magnitudeNear(hz, halves_[0].resolutionHz()),
                 m1 = halves_[1].magnitudeNear(hz, halves_[1].resolutionHz());
    return (m1 * m1) / std::max(m0 * m0, 1e-300);
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
    analyseHalves(x, rate);
    SeriesFit fits[2];
    for (int part = 0; part < 2; ++part) {
        limits.resolutionHz = halves_[part].resolutionHz();
        fits[part] = followSeries(halfPeaks_[part], f0, b, limits);
        // A glide moves every partial by the same ratio, the higher ones out of reach of
        // the whole sound's series: followed again from where this half places it, while
        // that explains more of the half.
        for (int round = 0; round < kFollowRounds; ++round) {
            SeriesFit again = followSeries(halfPeaks_[part], fits[part].f0, b, limits);
            if (again.explained <= fits[part].explained) break;
            fits[part] = std::move(again);
        }
        const SeriesFit& fit = fits[part];
        // A second half with little sound left tells nothing; a first half without the
        // series heard in the whole is a glide that smears each half's peaks.
        if (fit.explained < kMinEvidence) {
            if (part == 0 && f1 * halfSeconds >= kGlidePeriods) return false;
            continue;
        }
        const double g = fit.f1();
        if (std::abs(g / f1 - 1) > tolerance) return false;
    }
    // Every partial heard in both halves lower in the second (or every one higher), each
    // by more than its peak can be placed (three or more), or by three times that: the
    // whole sound glides, an engine slowing down, though its first mode moves less than its
    // bin. Or the partials together, each weighed by how well its peak is placed, moved
    // by more than a string's pitch may and three times what they place the move to, every
    // one within its own placing of that move (one far off it was another sound's peak
    // in one half): a glide too slow for each partial alone.
    int both = 0, down = 0, up = 0, far = 0;
    double precision = 0, moved = 0;
    struct Move {
        double by, placed;
    };
    std::vector<Move> moves;
    for (const SeriesPartial& p : fits[0].partials)
        for (const SeriesPartial& q : fits[1].partials)
            if (q.number == p.number) {
                const double move = q.hz / p.hz - 1;
                const double placed = kHalfAgreementPeriods / (p.hz * halfSeconds);
                ++both;
                down += move < -placed;
                up += move > placed;
                far += std::abs(move) > 3 * placed;
                precision += 1 / (placed * placed);
                moved += move / (placed * placed);
                moves.push_back({move, placed});
            }
    if (both > 0) {
        const double common = moved / precision;
        if (std::abs(common) > kHalfAgreement + kGlidePlacings / std::sqrt(precision) &&
            std::all_of(moves.begin(), moves.end(),
                        [&](const Move& m) { return std::abs(m.by - common) <= m.placed; }))
            return false;
    }
    return both == 0 || (down < both && up < both) || (both < kMinGlidingPartials && far < both);
}

}  // namespace vellora
