// SPDX-License-Identifier: GPL-3.0-or-later
#include "pitch/pluck_classifier.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace vellora {

namespace {
// The level is followed in 5 ms frames: short enough to see a pluck's attack, long
// enough to hold a period of the highest partials that matter.
constexpr double kFrameSeconds = 0.005;
// A pluck rises at least this far above what came before it, within kMaxRiseSeconds.
// The trigger line sits only a few decibels above the background, so no more is asked.
constexpr double kOnsetRiseDb = 10;
constexpr double kMaxRiseSeconds = 0.025;
constexpr double kAttackReachDb = 6;
// The tone counts as over once it has fallen this far below its peak.
constexpr double kToneEndDb = 20;
// A belt rings for at least this long above that level; a knock on metal or wood, a
// click or a clap dies within a few tens of milliseconds.
constexpr double kMinToneSeconds = 0.06;
// A belt's tone dies away at least this fast (a 2 s time constant gives 4.3 dB/s); a
// held tone stays near 0.
constexpr double kMaxDecayDbPerS = -3;
// Halves of the tone whose first modes differ by more than this are a gliding voice;
// a belt's pitch falls by well under 1 % as it dies away.
constexpr double kMaxGlide = 0.03;
// The first mode is looked for within an octave either side of the target range.
constexpr double kTargetOctave = 2;
// The spectrum sees a clip's first 4096 samples (186 ms at 22050 per second); a pluck in
// the remaining 214 ms fires only the next clip.
constexpr double kUnseenTailSeconds = 0.25;
constexpr double kLevelFloor = 0.05;  // quantisation steps RMS; keeps log of silence finite

double db(double level) { return 20 * std::log10(std::max(level, kLevelFloor)); }

// Least-squares slope of y over equally spaced points, per step.
double slope(std::span<const double> y) {
    const double n = double(y.size());
    if (y.size() < 2) return 0;
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (size_t i = 0; i < y.size(); ++i) {
        sx += double(i);
        sy += y[i];
        sxx += double(i) * double(i);
        sxy += double(i) * y[i];
    }
    const double d = n * sxx - sx * sx;
    return d > 0 ? (n * sxy - sx * sy) / d : 0;
}

bool nearOctave(double ratio) {
    return std::abs(ratio / 2 - 1) < kMaxGlide || std::abs(ratio * 2 - 1) < kMaxGlide;
}
}  // namespace

PluckVerdict PluckClassifier::classify(std::span<const uint8_t> samples, float pasFrequence,
                                       std::optional<Range> target, bool continuing,
                                       std::span<const uint8_t> before) {
    const PluckVerdict alone = judge(samples, pasFrequence, target, continuing);
    if (alone.refusal != PluckRefusal::NoOnset || before.empty()) return alone;
    // The end of the clip before, beyond the part the meter's spectrum saw, and this one.
    const size_t lead =
        std::min(before.size(), size_t(std::lround(cardRate(pasFrequence) * kUnseenTailSeconds)));
    joined_.assign(before.end() - std::ptrdiff_t(lead), before.end());
    joined_.insert(joined_.end(), samples.begin(), samples.end());
    PluckVerdict v = judge(joined_, pasFrequence, target, continuing);
    if (!v.isPluck()) return v;
    // The onset and the decay need both clips; the first mode is taken from this clip
    // alone, free of the phase jump where the two meet.
    if (const std::optional<PitchEstimate> e = estimator_.estimate(samples, pasFrequence)) {
        v.hz = e->hz;
        v.inharmonicity = e->inharmonicity;
        if (target &&
            !(v.hz >= target->low / kTargetOctave && v.hz <= target->high * kTargetOctave))
            v.refusal = PluckRefusal::OutOfRange;
    }
    return v;
}

PluckVerdict PluckClassifier::judge(std::span<const uint8_t> samples, float pasFrequence,
                                    std::optional<Range> target, bool continuing) {
    PluckVerdict v;
    const double rate = cardRate(pasFrequence);
    const size_t frame = size_t(std::lround(rate * kFrameSeconds));
    if (!(rate > 0) || frame == 0 || samples.size() < 2 * frame) {
        v.refusal = PluckRefusal::NoTone;
        return v;
    }
    double mean = 0;
    for (const uint8_t s : samples) mean += s;
    mean /= double(samples.size());
    std::vector<double> level(samples.size() / frame);
    for (size_t k = 0; k < level.size(); ++k) {
        double e = 0;
        for (size_t i = k * frame; i < (k + 1) * frame; ++i)
            e += (samples[i] - mean) * (samples[i] - mean);
        level[k] = db(std::sqrt(e / double(frame)));
    }
    const size_t peak = size_t(std::max_element(level.begin(), level.end()) - level.begin());

    // The onset: the first loud frame after the last quiet one before the peak. A clip
    // loud from its start has none of its own; that will do only when the pluck may
    // have come just before the clip.
    size_t quiet = peak;
    while (quiet > 0 && level[quiet - 1] > level[peak] - kOnsetRiseDb) --quiet;
    if (quiet == 0 && !continuing) return v;
    // Beating partials may put the very peak later; the attack is the climb to within a
    // few decibels of it, and a clip without its onset must open with it.
    size_t attack = quiet;
    while (level[attack] < level[peak] - kAttackReachDb) ++attack;
    const size_t riseFrames = size_t(std::lround(kMaxRiseSeconds / kFrameSeconds));
    if (attack - quiet + 1 > riseFrames) return v;
    v.onset = quiet * frame;

    // Durations count from the attack: in a held tone the loudest frame may lie anywhere.
    size_t end = attack;
    while (end < level.size() && level[end] > level[peak] - kToneEndDb) ++end;
    const size_t minFrames = size_t(std::lround(kMinToneSeconds / kFrameSeconds));
    const bool ranOut = end == level.size();
    // The estimator needs two of the longest periods it looks for after the onset.
    const size_t needed = size_t(std::ceil(2 * rate / estimator_.options().minHz));
    if (ranOut && (end - attack < minFrames || samples.size() - v.onset < needed)) {
        v.refusal = quiet == 0 ? PluckRefusal::TooShort : PluckRefusal::LateOnset;
        return v;
    }
    if (end - attack < minFrames) {
        v.refusal = PluckRefusal::TooShort;
        return v;
    }
    v.decayDbPerS = slope(std::span(level).subspan(attack, end - attack)) / kFrameSeconds;
    if (v.decayDbPerS > kMaxDecayDbPerS) {
        v.refusal = PluckRefusal::NotDecaying;
        return v;
    }

    const std::span<const uint8_t> tone = samples.subspan(v.onset);
    const std::optional<PitchEstimate> whole = estimator_.estimate(tone, pasFrequence);
    if (!whole) {
        v.refusal = PluckRefusal::NoTone;
        return v;
    }
    v.hz = whole->hz;
    v.inharmonicity = whole->inharmonicity;
    const size_t half = tone.size() / 2;
    if (half >= needed) {
        const auto first = estimator_.estimate(tone.first(half), pasFrequence);
        const auto second = estimator_.estimate(tone.subspan(half), pasFrequence);
        // A half that has died into the noise says nothing; an octave slip is the
        // estimator's, not the sound's.
        if (first && second) {
            const double ratio = first->hz / second->hz;
            if (!nearOctave(ratio) && std::abs(ratio - 1) > kMaxGlide) {
                v.refusal = PluckRefusal::Unsteady;
                return v;
            }
        }
    }
    if (target && !(v.hz >= target->low / kTargetOctave && v.hz <= target->high * kTargetOctave)) {
        v.refusal = PluckRefusal::OutOfRange;
        return v;
    }
    v.refusal = PluckRefusal::None;
    return v;
}

}  // namespace vellora
