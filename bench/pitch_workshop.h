// SPDX-License-Identifier: GPL-3.0-or-later
// A third generator of recordings, written apart from the other two and never used to tune
// the estimator: belts and other sounds as a workshop gives them. Its belts are damped
// stiff strings whose modes each decay at their own rate (losses growing with the mode
// number, a body that colours each mode by a few decibels), start with a short ramp at
// a random phase, and are heard through one condition at a time: short rings, an
// engine's harmonic rumble, a phone's high-pass, a room's reverberation, clipping, a
// second belt, a level of a few steps, split modes, a drifting DC level, a pluck anywhere
// in the clip, an engine built from its firings. Its other sounds are no belt at all:
// two-tone alarms, an engine revving, impact wrenches, hammer taps on metal, whistles,
// beepers switched on and off, taps on a pipe, the engine built from its firings alone.
#pragma once

#include <string>
#include <vector>

#include "pitch_material.h"

namespace vellora::workshop {

// The conditions (the later ones added after, so that the earlier keep their cases): each
// case of a belt condition has its first mode as f1, each of the others f1 = 0.
const std::vector<std::string>& conditions();

// `count` cases of one condition.
std::vector<synth::Case> makeSet(const std::string& condition, int count);

}  // namespace vellora::workshop
