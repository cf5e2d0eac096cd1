// SPDX-License-Identifier: GPL-3.0-or-later
// Twips (1/1440 inch) per device-independent pixel on a widget's screen: 15 at 96 dots
// per inch. Header-only, for Qt code only.
#pragma once

#include <QScreen>
#include <QWidget>

namespace vellora {

inline double twipsPerPixelOf(const QWidget& w) {
    const QScreen* s = w.screen();
    const double dpi = s ? s->logicalDotsPerInch() : 96.0;
    return 1440.0 / (dpi > 0 ? dpi : 96.0);
}

}  // namespace vellora
