// SPDX-License-Identifier: GPL-3.0-or-later
// The one application object every widget test shares.
#pragma once

namespace vellora {

// Creates the QApplication on first call, offscreen unless QT_QPA_PLATFORM says
// otherwise. It is never destroyed: tearing Qt's GUI down during exit() crashes once a
// window was shown.
void ensureGuiApplication();

}  // namespace vellora
