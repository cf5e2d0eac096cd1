// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/window_placement.h"

#include <algorithm>
#include <cmath>

namespace vellora {

PixelRect placeOnScreen(const StoredPlacement& stored, double twipsPerPixel,
                        const PlacementLimits& limits) {
    // Everything in double until it is limited: any 64-bit twips value divided by a
    // positive scale is finite, and nothing converts to int before it fits a screen.
    const PixelRect& area = limits.available;
    const double roomWidth = std::max(0, area.width - limits.frameWidth);
    const double roomHeight = std::max(0, area.height - limits.frameHeight);
    const double maxWidth = std::max<double>(limits.minimumWidth, roomWidth);
    const double maxHeight = std::max<double>(limits.minimumHeight, roomHeight);

    double width = double(stored.width) / twipsPerPixel;
    double height = double(stored.height) / twipsPerPixel;
    if (limits.keepProportions && width > 0 && height > 0 &&
        (width > maxWidth || height > maxHeight)) {
        const double shrink = std::min(maxWidth / width, maxHeight / height);
        width *= shrink;
        height *= shrink;
    }
    width = std::clamp(std::round(width), double(limits.minimumWidth), maxWidth);
    height = std::clamp(std::round(height), double(limits.minimumHeight), maxHeight);

    // The frame's left edge from the area's left to where its right edge meets the
    // area's right; a window wider than the area (its minimum) starts at the left.
    const double outerWidth = width + limits.frameWidth;
    const double outerHeight = height + limits.frameHeight;
    const double lastLeft = std::max<double>(area.left, area.left + area.width - outerWidth);
    const double lastTop = std::max<double>(area.top, area.top + area.height - outerHeight);
    const double left =
        std::clamp(std::round(double(stored.left) / twipsPerPixel), double(area.left), lastLeft);
    const double top =
        std::clamp(std::round(double(stored.top) / twipsPerPixel), double(area.top), lastTop);
    return {int(left), int(top), int(width), int(height)};
}

}  // namespace vellora
