// SPDX-License-Identifier: GPL-3.0-or-later
#include "measure/noise_reference.h"

#include "common/numeric.h"

namespace vellora {

bool pressNoiseButton(NoiseState& s, bool captionIsIdle) {
    if (captionIsIdle) {
        s.ModeBruit = true;
        s.CaptureNiveauBruit = true;
        return true;
    }
    s.ModeBruit = false;
    return false;
}

void noiseMouseMove(NoiseState& s, float y) {
    if (s.CaptureNiveauBruit) s.NiveauBruit = toInt32Saturated(y);
}

void noiseClick(NoiseState& s) { s.CaptureNiveauBruit = false; }

void drawNoiseLine(DrawingSurface& im, const NoiseState& s) {
    if (!s.CaptureNiveauBruit && !s.ModeBruit) return;
    const float y = float(s.NiveauBruit);
    im.line(0.0f, y, im.scaleWidth(), y, rgb(255, 0, 0));
}

bool noiseTriggerFires(const NoiseState& s, float sommetPic) {
    return s.ModeBruit && !s.CaptureNiveauBruit && !s.heldForCalibration &&
           double(sommetPic) < double(s.NiveauBruit);
}

}  // namespace vellora
