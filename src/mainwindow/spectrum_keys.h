// SPDX-License-Identifier: GPL-3.0-or-later
// The keyboard over the spectrum, standing in for the mouse: the arrows move a point
// as the mouse would move (Up and Down one pixel, Page Up and Page Down ten; Left and
// Right one bar, ten with Shift), and Enter or Space clicks. So the noise line is
// placed and the analysis cursor moved without a mouse.
#pragma once

#include <QObject>
#include <QPointF>
#include <functional>

class QWidget;

namespace vellora {

class PictureSurface;

class SpectrumKeys final : public QObject {
  public:
    struct Hooks {
        // Where the point starts when the surface takes the focus, in logical units.
        std::function<QPointF()> start;
        std::function<void(float x, float y)> move;
        std::function<void()> click;
    };
    SpectrumKeys(PictureSurface& surface, Hooks hooks);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    PictureSurface& surface_;
    Hooks hooks_;
    QPointF at_;
    bool placed_ = false;  // false until the first key after the surface took the focus
};

}  // namespace vellora
