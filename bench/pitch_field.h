// SPDX-License-Identifier: GPL-3.0-or-later
// A second, independent generator of belt recordings, written apart from pitch_synth and
// never used to tune the estimator: other random numbers (xoshiro256**), other noise
// (Voss-McCartney pink noise, uniform white noise, buzzing odd-harmonic hum with drift),
// other physics (a finger of finite width, a microphone of finite aperture with a
// radiation tilt and a band-pass, damping 1/tau = a + c f^2, modes starting from rest),
// a finger-noise attack, the card's rate off by up to 1 % (told to the estimator, as a
// calibrated scale would), a DC offset and 8-bit rounding with clipping.
#pragma once

#include <string>
#include <vector>

#include "pitch_material.h"

namespace vellora::field {

// Sets "stiff" (f1 40 .. 400 Hz, B 0 .. 0.02), "range" (f1 10 .. 1000 Hz, B 0 .. 0.002)
// and "refuse" (white noise, hum, silence, speech, door slams), `count` cases each.
std::vector<synth::Case> makeSet(const std::string& set, int count);

}  // namespace vellora::field
