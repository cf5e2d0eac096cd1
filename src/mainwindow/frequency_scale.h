// SPDX-License-Identifier: GPL-3.0-or-later
// The frequency scale under the spectrum and where the boxes over the spectrum go.
// Window-free: plain numbers in, pixel positions out.
#pragma once

#include <optional>
#include <vector>

namespace vellora {

struct ScaleTick {
    double x = 0;  // pixels from the spectrum's left edge
    int hertz = 0;
    bool labelled = false;  // a major tick, with its number under it
};

// The ticks of the spectrum's frequency scale. Bin i is drawn at i * barWidth of the
// surface's 1024 units (barWidth is its pen width in pixels, at least 1) and stands for
// i * pas hertz; the surface is widthPixels across. The scale runs from 0 Hz to the last
// bin drawn (nbBins, or the last that fits the width). Labelled ticks come every 1, 2
// or 5 x 10^k hertz, the smallest such step whose labels are at least minLabelSpacing
// pixels apart (and never below 1 Hz); between them unlabelled ticks every fifth (a
// quarter for steps of 2 x 10^k), when they are at least 4 pixels apart. Nothing for a
// step that is not a positive finite number or a surface without width.
std::vector<ScaleTick> frequencyScaleTicks(float pas, int nbBins, int barWidth, double widthPixels,
                                           double minLabelSpacing);

// The top of a box laid over the spectrum at `top`, `height` pixels high, moved so that
// it does not hide the noise line at `lineY` (when the line is shown): below the line
// when it fits above `bottom`, else above it, `gap` pixels away; where it was when
// neither fits.
int clearOfNoiseLine(int top, int height, std::optional<int> lineY, int bottom, int gap);

struct ScreenRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool intersects(const ScreenRect& o) const {
        return left < o.left + o.width && o.left < left + width && top < o.top + o.height &&
               o.top < top + height;
    }
    bool inside(const ScreenRect& o) const {
        return left >= o.left && top >= o.top && left + width <= o.left + o.width &&
               top + height <= o.top + o.height;
    }
};

// Where a window of `size` (width, height) opens beside the main window `main` on the
// screen `screen` without covering any of `keepVisible` (the read-outs): right of the
// main window, left of it, then along the screen's left edge, in its corners and halfway
// down its right and left edges, the first that is on the screen and covers none; on a
// screen too small for that, the first that covers the least of them. A window larger
// than the screen goes to its left edge, at the bottom, or at the top when it is taller
// than the screen.
ScreenRect besideWithoutCovering(ScreenRect size, const ScreenRect& main,
                                 const std::vector<ScreenRect>& keepVisible,
                                 const ScreenRect& screen);

}  // namespace vellora
