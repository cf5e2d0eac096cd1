// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/cursor_readout.h"

#include <algorithm>
#include <vector>

#include "common/numeric.h"

namespace vellora {

namespace {
constexpr int32_t kRed = 255;
constexpr float kMarkerHalfWidth = 10.0f;
constexpr int64_t kMarkerGap = 1;      // the stroke starts 1 pixel above the bar's top
constexpr int64_t kMarkerHeight = 20;  // and ends 20 pixels above it
}  // namespace

bool cursorOverBar(float x, int16_t w, int32_t barX) {
    const std::optional<int16_t> xr = toInt16(x);
    if (!xr) return false;
    const double half = w / 2.0;
    const double left = *xr - half, right = *xr + half;
    return left < barX && right > barX;
}

std::optional<std::string> cursorMouseMove(DrawingSurface& im, NoiseState& noise,
                                           const BarTable& bars, const CursorView& view, float x,
                                           float y) {
    noiseMouseMove(noise, y);
    if (!view.modeAnalyse) return std::nullopt;

    im.clear();
    const float bottom = im.scaleHeight();
    const int16_t w = im.drawWidth();
    const int32_t last = std::clamp<int32_t>(view.nbFrequencesAffichees, 0, kBarRows);
    std::optional<std::string> text;
    // One batch in drawing order: the same pixels as line by line, for far fewer calls.
    std::vector<SurfaceLine> batch;
    batch.reserve(size_t(last) + 3);
    for (int32_t i = 1; i <= last; ++i) {
        const BarRow& bar = bars[size_t(i)];
        batch.push_back(
            {float(bar.BarreX), bottom, float(bar.BarreX), float(bar.BarreY), bar.BarreCouleur});
        if (!cursorOverBar(x, w, bar.BarreX)) continue;

        const float top = float(bar.BarreY);
        batch.push_back({x, float(int64_t(bar.BarreY) - kMarkerGap), x,
                         float(int64_t(bar.BarreY) - kMarkerHeight), kRed});
        batch.push_back({x - kMarkerHalfWidth, top, x + kMarkerHalfWidth, top, kRed});
        if (noise.CaptureNiveauBruit || noise.ModeBruit)
            batch.push_back(
                {0.0f, float(noise.NiveauBruit), im.scaleWidth(), float(noise.NiveauBruit), kRed});
        const float f = x / float(w) * view.pasFrequence;
        text = formatWhole(f) + "Hz";
    }
    im.lines(batch);
    return text;
}

}  // namespace vellora
