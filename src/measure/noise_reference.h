// SPDX-License-Identifier: GPL-3.0-or-later
// The noise line that turns an endless run into a triggered one: once the user has
// fixed it above the background noise, the run stops at the first cycle whose
// tallest bar reaches above it, and that cycle's spectrum stays on screen.
#pragma once

#include <cstdint>

#include "measure/drawing_surface.h"

namespace vellora {

struct NoiseState {
    bool ModeBruit = false;           // trigger armed
    bool CaptureNiveauBruit = false;  // the line follows the mouse
    int32_t NiveauBruit = 0;          // the line's height, pixels from the top of the spectrum
    // The trigger rests while the calibration tone plays, which would fire it at once
    // and freeze the read-out; it is armed again when the calibration ends.
    bool heldForCalibration = false;
};

// The noise button. `captionIsIdle`: its caption equals the disarmed text. Returns
// true when the caption must become the armed text, false for the disarmed text.
// Disarming leaves the capture flag alone, so a line being placed keeps following
// the mouse until the next click.
bool pressNoiseButton(NoiseState& s, bool captionIsIdle);

// Mouse over the spectrum: while capturing, the line follows the cursor's height.
void noiseMouseMove(NoiseState& s, float y);
// Click on the spectrum: fixes the line where the mouse last moved.
void noiseClick(NoiseState& s);

// Draws the red line across the spectrum when armed or placing, with the current pen.
void drawNoiseLine(DrawingSurface& im, const NoiseState& s);

// True when an armed, fixed line lies below the top of the cycle's tallest bar.
bool noiseTriggerFires(const NoiseState& s, float sommetPic);

}  // namespace vellora
