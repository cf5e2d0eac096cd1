// SPDX-License-Identifier: GPL-3.0-or-later
// The half-disc energy gauge: a sector swept from the left edge whose angle grows with
// the cycle's summed bar height, and a needle at the previous cycle's value.
//
// For a value v the gauge line runs from the bottom centre (Wg/2, Hg) to
// (Wg/2 - Wg cos(t)/2, Hg - Hg sin(t)) with t = v * pi / EnergieMax, so 0 points left,
// half scale straight up; its colour goes from rgb(0, 255, 128) to rgb(255, 1, 128).
#pragma once

#include <cstdint>

#include "measure/drawing_surface.h"

namespace vellora {

// One gauge line of value v. Draws nothing when energieMax is 0 (no spectrum height).
void drawGaugeLine(DrawingSurface& gauge, double v, int32_t energieMax);

// Clears the gauge, sweeps lines of 0, 20, 40 ... up to energieSpectre, then draws the
// needle at energiePrecedente and stores energieSpectre there for the next cycle.
// With energieMax = 0 the gauge is only cleared.
void drawEnergyGauge(DrawingSurface& gauge, int32_t energieSpectre, int32_t energieMax,
                     int32_t& energiePrecedente);

}  // namespace vellora
