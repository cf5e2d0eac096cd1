// SPDX-License-Identifier: GPL-3.0-or-later
// Number conventions shared by every subsystem.
//
// Floating point to integer conversions round to nearest with halves to the even
// neighbour; the display format "0" rounds halves away from zero. Both matter: the
// meter's read-outs and the stored files must match the values users already know.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vellora {

// Pi and the full turn as the meter has always written them, to 15 digits (a little
// short of std::numbers::pi): the transform, the gauge and the tone depend on these
// exact doubles. Twice the first is the second exactly.
inline constexpr double kDesignPi = 3.14159265358979;
inline constexpr double kDesignFullTurn = 2 * kDesignPi;

// Nearest whole value, halves to even (1174.5 -> 1174, 1175.5 -> 1176).
double roundHalfEven(double v);

// roundHalfEven narrowed to 16 bits; nullopt when the result does not fit.
std::optional<int16_t> toInt16(double v);

// roundHalfEven narrowed to 32 bits, saturating at the ends of the range.
int32_t toInt32Saturated(double v);

// The number format "0": a whole number, no separators, halves away from zero
// (86.5 -> "87", 2.5 -> "3").
std::string formatWhole(double v);

// A colour value red + 256 * green + 65536 * blue, each component limited to 0..255.
int32_t rgb(int32_t red, int32_t green, int32_t blue);

}  // namespace vellora
