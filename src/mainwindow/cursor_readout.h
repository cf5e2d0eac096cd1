// SPDX-License-Identifier: GPL-3.0-or-later
// The cursor read-out over the spectrum: in analysis mode every mouse move redraws
// the bars from the bar table, marks the bar under the cursor and reads the
// frequency at the cursor; while the noise line is being placed it follows the mouse.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "measure/bar_table.h"
#include "measure/drawing_surface.h"
#include "measure/noise_reference.h"
#include "measure/spectrum_plot.h"

namespace vellora {

struct CursorView {
    bool modeAnalyse = false;
    int16_t nbFrequencesAffichees = kDefaultBinsShown;
    float pasFrequence = kDefaultPasFrequence;
};

// Handles one mouse move at logical (x, y). Returns the new read-out text when the
// cursor is over a bar in analysis mode, nothing otherwise (the text is kept).
std::optional<std::string> cursorMouseMove(DrawingSurface& im, NoiseState& noise,
                                           const BarTable& bars, const CursorView& view, float x,
                                           float y);

// Whether a cursor at logical x is over a bar at barX drawn with pen width w: the
// rounded x lies strictly within w/2 of it. An x whose rounded value does not fit
// 16 bits is over no bar.
bool cursorOverBar(float x, int16_t w, int32_t barX);

}  // namespace vellora
