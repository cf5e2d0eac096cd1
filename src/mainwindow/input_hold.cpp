// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/input_hold.h"

#include <QEvent>
#include <QWidget>

namespace vellora {

InputHold::InputHold(std::function<void(bool)> hold, std::function<void()> wake, QObject* parent)
    : QObject(parent), hold_(std::move(hold)), wake_(std::move(wake)) {}

InputHold::~InputHold() {
    if (!shown_.empty() && hold_) hold_(false);
}

void InputHold::watch(QWidget* window) {
    if (!window) return;
    window->installEventFilter(this);
    connect(window, &QObject::destroyed, this, [this](QObject* gone) { setShown(gone, false); });
    setShown(window, window->isVisible());
}

bool InputHold::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show) setShown(watched, true);
    if (event->type() == QEvent::Hide) setShown(watched, false);
    if (event->type() == QEvent::WindowActivate && shown_.count(watched) && wake_) wake_();
    return false;
}

void InputHold::setShown(QObject* window, bool shown) {
    const bool wasHeld = !shown_.empty();
    if (shown)
        shown_.insert(window);
    else
        shown_.erase(window);
    const bool held = !shown_.empty();
    if (held != wasHeld && hold_) hold_(held);
}

}  // namespace vellora
