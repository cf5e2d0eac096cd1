// SPDX-License-Identifier: GPL-3.0-or-later
// Fitting a centred caption into the room its control has: the fonts here are wider
// than the ones the layouts were drawn for. Header-only, for Qt code only.
#pragma once

#include <QFontMetrics>
#include <QLabel>
#include <QVariant>
#include <QWidget>
#include <algorithm>

namespace vellora {

// Two steps below the usual 9 points still read well; smaller would not.
inline constexpr double kSmallestCaptionPoints = 7.0;

// Widens `w` evenly about its centre to what its caption needs, but to no more than
// `room` pixels, the width that keeps it clear of its neighbours. A caption that needs
// more is set one point smaller at a time, down to kSmallestCaptionPoints; a label that
// still does not fit is elided in the middle, its whole text kept in its tool tip.
// Buttons are never elided: their caption is their state. Call it after every change
// of caption or geometry; it first puts back the inherited font and the whole text.
inline void fitCentredCaption(QWidget& w, int room) {
    auto* label = qobject_cast<QLabel*>(&w);
    const QVariant whole = w.property("wholeCaption");
    if (label && whole.isValid()) {
        if (label->text() == w.property("elidedCaption").toString())
            label->setText(whole.toString());
        w.setProperty("wholeCaption", QVariant());
        w.setToolTip(QString());
    }
    w.setFont(QFont());
    const QRect r = w.geometry();
    auto widen = [&](int width) {
        if (width > r.width())
            w.setGeometry(r.center().x() - (width - 1) / 2, r.top(), width, r.height());
    };
    if (w.sizeHint().width() <= r.width()) return;
    if (w.sizeHint().width() <= room) {
        widen(w.sizeHint().width());
        return;
    }
    QFont f = w.font();
    while (f.pointSizeF() - 1.0 >= kSmallestCaptionPoints) {
        f.setPointSizeF(f.pointSizeF() - 1.0);
        w.setFont(f);
        if (w.sizeHint().width() <= room) {
            widen(w.sizeHint().width());
            return;
        }
    }
    widen(room);
    if (!label) return;
    const QString text = label->text();
    const int margin = label->sizeHint().width() - QFontMetrics(f).horizontalAdvance(text);
    const QString elided =
        QFontMetrics(f).elidedText(text, Qt::ElideMiddle, std::max(0, room - margin));
    w.setProperty("wholeCaption", text);
    w.setProperty("elidedCaption", elided);
    w.setToolTip(text);
    label->setText(elided);
}

}  // namespace vellora
