// SPDX-License-Identifier: GPL-3.0-or-later
// Belt tension from its frequency, as the sonic tension meters give it: a span of length
// L (m) and mass m (kg per metre) vibrating at f (Hz) carries T = 4 m L^2 f^2 newtons,
// times a correction factor for the belt's bending stiffness (1 for an ideal string).
#pragma once

namespace vellora {

inline constexpr double kNewtonsPerKgf = 9.80665;
inline constexpr double kNewtonsPerLbf = 4.4482216152605;

struct Tension {
    double newtons = 0;
    double kgf = 0;
    double lbf = 0;
};

Tension tensionFromFrequency(double kgPerMetre, double spanMetres, double hz, double factor);

// The frequency at which the belt carries `newtons`: the inverse of the above.
double frequencyForTension(double kgPerMetre, double spanMetres, double newtons, double factor);

}  // namespace vellora
