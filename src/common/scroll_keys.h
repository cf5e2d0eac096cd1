// SPDX-License-Identifier: GPL-3.0-or-later
// Arrow keys on a scroll bar move its thumb the way the arrow points, as on the
// original platform. Header-only, for Qt code only.
#pragma once

#include <QScrollBar>

namespace vellora {

// Qt 6.4 creates every QScrollBar with inverted controls so that the wheel and Up
// move a vertical thumb up; on a horizontal bar that turns Right into a step down.
// Horizontal bars get plain controls (Right and Page Up raise the value, Left and
// Page Down lower it); a vertical bar keeps Qt's keys, whose thumb follows Up and Down.
inline void setArrowKeys(QScrollBar& bar) {
    if (bar.orientation() == Qt::Horizontal) bar.setInvertedControls(false);
}

}  // namespace vellora
