// Material sets for the evaluation and the comparison with aubio: each case is a
// recording as the meter saves it, the card's real rate and the true first mode and B
// (0 Hz: no pitch expected).
#pragma once

#include <string>
#include <vector>

#include "support/pitch_synth.h"

namespace vellora::material {

using Case = synth::Case;

// Stiff belts: f1 40 .. 400 Hz, B 0 .. 0.02. Range: f1 10 .. 1000 Hz, B 0 .. 0.002. Both:
// onset in the first 120 ms, SNR 12 .. 30 dB.
synth::StiffPluck randomStiffBelt(synth::Random& random, double firstModeHz, double inharmonicity,
                                  double rate);

// Sets: legacy (the 1000 plucks and pure tones of the unit tests), stiff, range, refuse
// (sounds without a pitch); suffix A for the tuning generator, B for the independent one.
std::vector<Case> makeSet(const std::string& name, int count);

}  // namespace vellora::material
