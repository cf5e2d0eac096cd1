// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/spectrum_keys.h"

#include <QKeyEvent>
#include <algorithm>

#include "mainwindow/picture_surface.h"

namespace vellora {

namespace {
constexpr double kBigStep = 10;
}

SpectrumKeys::SpectrumKeys(PictureSurface& surface, Hooks hooks)
    : QObject(&surface), surface_(surface), hooks_(std::move(hooks)) {
    surface.installEventFilter(this);
}

bool SpectrumKeys::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &surface_) return false;
    if (event->type() == QEvent::FocusIn) placed_ = false;
    if (event->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool big = key->modifiers() & Qt::ShiftModifier;
    const double bar = std::max<int>(1, surface_.drawWidth());
    QPointF step;
    switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            if (hooks_.click) hooks_.click();
            return true;
        case Qt::Key_Left:
            step = {-bar * (big ? kBigStep : 1), 0};
            break;
        case Qt::Key_Right:
            step = {bar * (big ? kBigStep : 1), 0};
            break;
        case Qt::Key_Up:
            step = {0, big ? -kBigStep : -1.0};
            break;
        case Qt::Key_Down:
            step = {0, big ? kBigStep : 1.0};
            break;
        case Qt::Key_PageUp:
            step = {0, -kBigStep};
            break;
        case Qt::Key_PageDown:
            step = {0, kBigStep};
            break;
        default:
            return false;
    }
    if (!placed_) at_ = hooks_.start ? hooks_.start() : QPointF();
    placed_ = true;
    at_ = QPointF(std::clamp(at_.x() + step.x(), 0.0, double(surface_.scaleWidth())),
                  std::clamp(at_.y() + step.y(), 0.0, std::max(0.0, surface_.scaleHeight() - 1.0)));
    if (hooks_.move) hooks_.move(float(at_.x()), float(at_.y()));
    return true;
}

}  // namespace vellora
