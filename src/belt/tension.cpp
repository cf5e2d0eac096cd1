// SPDX-License-Identifier: GPL-3.0-or-later
#include "belt/tension.h"

#include <cmath>

namespace vellora {

// A string's fundamental is f = (1 / 2L) sqrt(T / m), hence T = 4 m L^2 f^2.
Tension tensionFromFrequency(double kgPerMetre, double spanMetres, double hz, double factor) {
    const double newtons = 4 * kgPerMetre * spanMetres * spanMetres * hz * hz * factor;
    return {newtons, newtons / kNewtonsPerKgf, newtons / kNewtonsPerLbf};
}

double frequencyForTension(double kgPerMetre, double spanMetres, double newtons, double factor) {
    const double d = 4 * kgPerMetre * spanMetres * spanMetres * factor;
    return d > 0 && newtons >= 0 ? std::sqrt(newtons / d) : 0;
}

}  // namespace vellora
