// SPDX-License-Identifier: GPL-3.0-or-later
// The screen area a window may take, from Qt, for placeOnScreen (window_placement.h).
// Header-only, for Qt code only.
#pragma once

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

#include "common/window_placement.h"

namespace vellora {

// Before a window is first shown the window system has not told its frame yet; these
// are the usual border and title bar, so a restored window does not hang off the
// bottom edge by its title bar.
inline constexpr int kFrameWidthEstimate = 8;
inline constexpr int kFrameHeightEstimate = 32;

// The available area (without panels and docks) of the screen holding the pixel
// (x, y), or of the window's own screen when no screen holds it.
inline PixelRect availableAreaAt(const QWidget& window, double x, double y) {
    constexpr double kFar = 1e9;  // any point off every screen: only kept in int range
    const QPoint at(int(std::clamp(x, -kFar, kFar)), int(std::clamp(y, -kFar, kFar)));
    const QScreen* screen = QGuiApplication::screenAt(at);
    if (!screen) screen = window.screen();
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return {0, 0, 1 << 20, 1 << 20};  // no screen at all: nothing to limit
    const QRect area = screen->availableGeometry();
    return {area.x(), area.y(), area.width(), area.height()};
}

// The frame the window system adds around the window's size: measured once shown,
// estimated before.
inline void setFrameOf(const QWidget& window, PlacementLimits& limits) {
    const QRect frame = window.frameGeometry();
    const QRect inner = window.geometry();
    const bool known = window.isVisible() && frame != inner;
    limits.frameWidth = known ? frame.width() - inner.width() : kFrameWidthEstimate;
    limits.frameHeight = known ? frame.height() - inner.height() : kFrameHeightEstimate;
}

}  // namespace vellora
