// SPDX-License-Identifier: GPL-3.0-or-later
// Geometry of the last drawn spectrum, one row per bin, kept so the cursor read-out
// can redraw the bars without the transform.
#pragma once

#include <array>
#include <cstdint>

namespace vellora {

struct BarRow {
    int32_t BarreX = 0;        // horizontal position, logical units (w * bin)
    int32_t BarreY = 0;        // vertical coordinate of the bar's top, pixels
    int32_t BarreCouleur = 0;  // red + 256 * green + 65536 * blue
};

inline constexpr int kBarRows = 2049;

// Rows 1 to 2049; index 0 is unused so that row b is bin b.
using BarTable = std::array<BarRow, kBarRows + 1>;

}  // namespace vellora
