// SPDX-License-Identifier: GPL-3.0-or-later
// Bringing a window's stored position and size onto the screen. The settings file may
// hold anything (a window dragged off a screen since unplugged, a hand edit, a value
// of 2147483647), so the stored twips are only a wish: the window gets the nearest
// position and size that lies wholly on the available screen area and still shows its
// controls. Window-free; both the main window and the calibration dialog use it, so
// what they write back at closing is the corrected value.
#pragma once

#include <cstdint>

namespace vellora {

// In device-independent pixels, as the window system places windows.
struct PixelRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    bool operator==(const PixelRect&) const = default;
};

// As read from the settings file, in twips; 64 bits so that a caller's arithmetic on
// stored 32-bit values (an outer size less the frame) cannot overflow.
struct StoredPlacement {
    int64_t left = 0;
    int64_t top = 0;
    int64_t width = 0;  // the size the window is given, without the window system's frame
    int64_t height = 0;
};

struct PlacementLimits {
    PixelRect available;  // the screen's area left for windows (no panels, no dock)
    // What the window system adds around the size: borders and title bar.
    int frameWidth = 0;
    int frameHeight = 0;
    // The smallest size at which the window's controls all show.
    int minimumWidth = 0;
    int minimumHeight = 0;
    // Shrink an oversized window in both directions alike, keeping its proportions (the
    // first window, at its design size); else each side is limited on its own.
    bool keepProportions = false;
};

// The window's position (of its frame's top-left corner) and size: the stored size
// limited to what the available area holds and to the minimum (the minimum wins on a
// screen smaller than it), then the position moved the least that puts the whole
// window on the area. `twipsPerPixel` must be positive.
PixelRect placeOnScreen(const StoredPlacement& stored, double twipsPerPixel,
                        const PlacementLimits& limits);

}  // namespace vellora
