// SPDX-License-Identifier: GPL-3.0-or-later
// Whether a triggered clip is a plucked belt: a sharp onset, then a tone that lasts and
// dies away, with a clear first mode from the precise estimator that holds still. A
// click or a knock is over too soon, a continuous tone neither starts sharply nor
// decays, and speech glides in pitch; none of them counts as a reading.
//
// Input: the recording's unsigned 8-bit samples (silence near 128), normally the 400 ms
// clip that fired the noise trigger; the card's rate comes from the calibrated scale
// (PasFrequence hertz per bin, as for the estimator).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "common/range.h"
#include "pitch/pitch_estimator.h"

namespace vellora {

enum class PluckRefusal {
    None,         // a pluck
    NoOnset,      // the clip starts loud or swells slowly: no sharp onset
    TooShort,     // the sound dies within a few tens of milliseconds: a click or knock
    NotDecaying,  // the level holds or grows: a continuous tone or a voice
    NoTone,       // no clear first mode
    Unsteady,     // the first mode moves by more than a few per cent: a voice
    OutOfRange,   // the first mode lies far from the set-up's target range
    LateOnset,    // the onset came too near the clip's end to judge; the next clip can
};

struct PluckVerdict {
    PluckRefusal refusal = PluckRefusal::NoOnset;
    double hz = 0;             // the first mode; 0 when there is none
    double inharmonicity = 0;  // its stiffness B, with hz
    size_t onset = 0;          // sample where the onset begins
    double decayDbPerS = 0;    // slope of the level after the peak (negative: dying away)

    bool isPluck() const { return refusal == PluckRefusal::None; }
};

class PluckClassifier {
  public:
    // A clip loud from its start has no onset of its own. `continuing`: the previous
    // clip ended on an onset too late to judge, so the clip may open with the ringing
    // belt. `before`: the clip recorded just before this one, when there was one and it
    // did not fire the trigger; the meter's spectrum sees only a clip's first 4096
    // samples, so a pluck late in that clip fires only on this one, and its onset is
    // looked for across the two. `onset` is then counted from the part of `before` used.
    // `target`: the set-up's target in hertz; the first mode is looked for within an
    // octave of it.
    PluckVerdict classify(std::span<const uint8_t> samples, float pasFrequence,
                          std::optional<Range> target = std::nullopt, bool continuing = false,
                          std::span<const uint8_t> before = {});

  private:
    PluckVerdict judge(std::span<const uint8_t> samples, float pasFrequence,
                       std::optional<Range> target, bool continuing);

    PitchEstimator estimator_;
    std::vector<uint8_t> joined_;
};

}  // namespace vellora
