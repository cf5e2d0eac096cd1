// SPDX-License-Identifier: GPL-3.0-or-later
// Material sets for the evaluation and the comparison with aubio: each case is a
// recording as the meter saves it, the card's real rate and the true first mode and B
// (0 Hz: no pitch expected).
#pragma once

#include <string>
#include <vector>

#include "support/pitch_synth.h"

namespace vellora::synth {

// A recording with what it should read (f1 0: no pitch) and its kind, e.g. "speech".
struct Case {
    std::vector<uint8_t> samples;
    double rate = 22050;
    double f1 = 0;
    double b = 0;
    std::string kind;
};

// Sounds without a pitch, for the refusal sets and benchmark.
std::vector<uint8_t> mainsHum(Random& random, double mainsHz, double rmsSteps,
                              size_t samples = kClipSamples);
// A gliding, jittered pulse train through three formants, in syllables.
std::vector<uint8_t> speechLike(Random& random, size_t samples = kClipSamples);
// A burst of noise and a low thud, both gone within 50 ms.
std::vector<uint8_t> doorSlam(Random& random, size_t samples = kClipSamples);

}  // namespace vellora::synth

namespace vellora::material {

using Case = synth::Case;

// Stiff belts: f1 40 .. 400 Hz, B 0 .. 0.02. Range: f1 10 .. 1000 Hz, B 0 .. 0.002. Both:
// onset in the first 120 ms, SNR 12 .. 30 dB.
synth::StiffPluck randomStiffBelt(synth::Random& random, double firstModeHz, double inharmonicity,
                                  double rate);

// Sets: legacy (the 1000 plucks and pure tones of the unit tests), stiff, range, refuse
// (sounds without a pitch); suffix A for the tuning generator, B for the independent one;
// w-CONDITION for the workshop generator (pitch_workshop.h).
std::vector<Case> makeSet(const std::string& name, int count);

}  // namespace vellora::material
