// SPDX-License-Identifier: GPL-3.0-or-later
// One triggered reading: time, set-up, precise frequency, tension and whether it lay in
// the target, and what became of the clip.
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "belt/belt_setup.h"
#include "belt/tension.h"

namespace vellora {

// What became of a triggered clip (a word each in the CSV). Refused ones are logged with
// the reason so the user sees why a pluck did not count; they take no part in the
// agreement.
enum class ReadingStatus { Accepted, Refused, Confirmed };

struct Reading {
    std::chrono::system_clock::time_point time;
    std::string setup;               // name of the set-up chosen; empty for none
    double hz = 0;                   // precise frequency; 0 for a refused clip without one
    std::optional<Tension> tension;  // none without a valid set-up
    RangeStatus range = RangeStatus::NoTarget;
    ReadingStatus status = ReadingStatus::Accepted;
    std::string why;  // for a refused clip, in the language of the moment
};

}  // namespace vellora
