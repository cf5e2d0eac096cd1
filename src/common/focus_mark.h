// SPDX-License-Identifier: GPL-3.0-or-later
// A focus mark for controls whose style draws none (scroll bars, drawing surfaces): a
// frame in the highlight colour over the edges of the marked control that holds the
// keyboard focus. Header-only, for Qt code only.
#pragma once

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QPointer>
#include <QWidget>
#include <algorithm>
#include <vector>

namespace vellora {

class FocusMark final : public QWidget {
  public:
    // Lives as a child of `window`; follows the focus among the controls given to mark().
    explicit FocusMark(QWidget* window) : QWidget(window) {
        setObjectName("FocusMark");
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
        hide();
        connect(qApp, &QApplication::focusChanged, this,
                [this](QWidget*, QWidget* now) { follow(now); });
    }

    void mark(QWidget* control) {
        marked_.emplace_back(control);
        if (control->hasFocus()) follow(control);
    }

    // The control framed now, or null.
    QWidget* target() const { return isVisible() ? target_.data() : nullptr; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == target_) {
            const QEvent::Type t = event->type();
            if (t == QEvent::Move || t == QEvent::Resize || t == QEvent::Show || t == QEvent::Hide)
                place();
        }
        return false;
    }

    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setPen(QPen(palette().color(QPalette::Highlight), kPen));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(rect()).adjusted(kPen / 2.0, kPen / 2.0, -kPen / 2.0, -kPen / 2.0));
    }

  private:
    static constexpr int kPen = 2;

    void follow(QWidget* now) {
        if (target_) target_->removeEventFilter(this);
        const bool marked = std::any_of(marked_.begin(), marked_.end(),
                                        [now](const QPointer<QWidget>& w) { return w == now; });
        target_ = marked ? now : nullptr;
        if (target_) {
            target_->installEventFilter(this);
            if (parentWidget() != target_->parentWidget()) setParent(target_->parentWidget());
        }
        place();
    }

    void place() {
        if (!target_ || !target_->isVisible()) {
            hide();
            return;
        }
        setGeometry(target_->geometry());
        raise();
        show();
        update();
    }

    QPointer<QWidget> target_;
    std::vector<QPointer<QWidget>> marked_;
};

}  // namespace vellora
