// SPDX-License-Identifier: GPL-3.0-or-later
// The one application object every widget test shares, and what the tests do with it.
#pragma once

#include <Qt>
#include <functional>

class QWidget;

namespace vellora {

// Creates the QApplication on first call, offscreen unless QT_QPA_PLATFORM says
// otherwise. It is never destroyed: tearing Qt's GUI down during exit() crashes once a
// window was shown.
void ensureGuiApplication();

// Handles events until `done` or `boundMs` have passed (generous: a loaded machine).
bool processEventsUntil(const std::function<bool()>& done, int boundMs = 5000);

// A key pressed in `to`, delivered straight to it.
void pressKey(QWidget* to, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

}  // namespace vellora
