// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/frequency_scale.h"

#include <algorithm>
#include <cmath>

namespace vellora {

namespace {

constexpr double kSpectrumUnits = 1024.0;
constexpr double kSmallestMinorSpacing = 4.0;  // pixels; closer ticks read as a smear

}  // namespace

std::vector<ScaleTick> frequencyScaleTicks(float pas, int nbBins, int barWidth, double widthPixels,
                                           double minLabelSpacing) {
    std::vector<ScaleTick> ticks;
    if (!(pas > 0) || !std::isfinite(pas) || !(widthPixels > 0) || nbBins <= 0) return ticks;
    const int w = std::max(barWidth, 1);
    const double pixelsPerHertz = w * widthPixels / kSpectrumUnits / double(pas);
    const int lastBin = std::min(nbBins, int(kSpectrumUnits / w));
    const double topHertz = lastBin * double(pas);

    // 1, 2, 5, 10, 20, 50 ... until the labels are far enough apart.
    int step = 0;
    int minors = 1;
    for (int decade = 1; decade <= 100000000 && step == 0; decade *= 10) {
        for (int m : {1, 2, 5}) {
            if (m * decade * pixelsPerHertz >= minLabelSpacing) {
                step = m * decade;
                minors = m == 2 ? 4 : 5;
                break;
            }
        }
    }
    if (step == 0) return ticks;  // a scale of over 10^9 Hz per label: none
    // Minor ticks only on whole hertz: the division is exact where they are used.
    const int perMinor = step / minors;
    const int minor =
        step % minors == 0 && perMinor * pixelsPerHertz >= kSmallestMinorSpacing ? perMinor : step;
    for (long hz = 0; double(hz) <= topHertz; hz += minor)
        ticks.push_back({double(hz) * pixelsPerHertz, int(hz), hz % step == 0});
    return ticks;
}

int clearOfNoiseLine(int top, int height, std::optional<int> lineY, int bottom, int gap) {
    if (!lineY || *lineY < top - gap || *lineY > top + height + gap) return top;
    const int below = *lineY + gap + 1;
    if (below + height <= bottom) return below;
    const int above = *lineY - gap - height;
    if (above >= 0) return above;
    return top;
}

ScreenRect besideWithoutCovering(ScreenRect size, const ScreenRect& main,
                                 const std::vector<ScreenRect>& keepVisible,
                                 const ScreenRect& screen) {
    const int w = size.width;
    const int h = size.height;
    const int screenRight = screen.left + screen.width;
    const int screenBottom = screen.top + screen.height;
    const ScreenRect candidates[] = {
        {main.left + main.width, main.top, w, h},   // right of the main window
        {main.left - w, main.top, w, h},            // left of it
        {screen.left, main.top, w, h},              // the screen's left edge
        {screen.left, screenBottom - h, w, h},      // bottom-left corner
        {screenRight - w, screenBottom - h, w, h},  // bottom-right corner
        {screenRight - w, screen.top, w, h},        // top-right corner
        {screen.left, screen.top, w, h},            // top-left corner
        // Halfway down an edge: over the middle of the main window, where its spectrum
        // is, and clear of its menus above and its panel below.
        {screenRight - w, screen.top + (screen.height - h) / 2, w, h},
        {screen.left, screen.top + (screen.height - h) / 2, w, h},
    };
    // The first candidate on the screen that covers the least of the read-outs (none,
    // as a rule; on a small screen as little as can be).
    const auto covered = [&](const ScreenRect& c) {
        long long area = 0;
        for (const ScreenRect& r : keepVisible) {
            const long long across =
                std::min(c.left + c.width, r.left + r.width) - std::max(c.left, r.left);
            const long long down =
                std::min(c.top + c.height, r.top + r.height) - std::max(c.top, r.top);
            if (across > 0 && down > 0) area += across * down;
        }
        return area;
    };
    const ScreenRect* best = nullptr;
    long long least = 0;
    for (const ScreenRect& c : candidates) {
        if (!c.inside(screen)) continue;
        const long long area = covered(c);
        if (!best || area < least) {
            best = &c;
            least = area;
        }
        if (least == 0) break;
    }
    if (best) return *best;
    return {screen.left, std::max(screen.top, screenBottom - h), w, h};
}

}  // namespace vellora
