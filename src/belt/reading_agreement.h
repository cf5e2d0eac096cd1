// SPDX-License-Identifier: GPL-3.0-or-later
// The check the sonic meters' makers advise against background noise: three successive
// readings within 1 % of each other confirm one another.
#pragma once

#include <span>

#include "belt/reading.h"

namespace vellora {

enum class Agreement {
    TooFew,     // fewer than three successive readings of this set-up
    Confirmed,  // the last three lie within 1 % of each other
    Disagree,
};

inline constexpr int kConfirmingReadings = 3;
inline constexpr double kConfirmingSpread = 0.01;  // (largest - smallest) / smallest

// The agreement of the last three readings; readings of another set-up in between
// start the count again. Refused clips are passed over.
Agreement agreementOf(std::span<const Reading> readings);

// How many of the last readings (up to three, refused ones passed over, of the last
// one's set-up) lie within the confirming spread: "2 of 3".
int agreeingCount(std::span<const Reading> readings);

}  // namespace vellora
