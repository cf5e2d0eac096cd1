// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/frequency_scale_overlay.h"

#include <QEvent>
#include <QPainter>
#include <algorithm>

namespace vellora {

namespace {
constexpr int kMajorTick = 5;  // pixels
constexpr int kMinorTick = 3;
constexpr double kLabelSpacing = 64.0;  // pixels between labelled ticks, at least
}  // namespace

FrequencyScaleOverlay::FrequencyScaleOverlay(QWidget* spectrum) : QWidget(spectrum) {
    setObjectName("EchelleFrequence");
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() - 1);
    setFont(small);
    spectrum->installEventFilter(this);
    fitToSpectrum();
}

void FrequencyScaleOverlay::setScale(float pas, int nbBins, int barWidth) {
    if (pas == pas_ && nbBins == nbBins_ && barWidth == barWidth_) return;
    pas_ = pas;
    nbBins_ = nbBins;
    barWidth_ = barWidth;
    placeTicks();
}

void FrequencyScaleOverlay::placeTicks() {
    ticks_ = frequencyScaleTicks(pas_, nbBins_, barWidth_, width(), kLabelSpacing);
    update();
}

// A band along the surface's bottom edge, as high as a tick and a line of text.
void FrequencyScaleOverlay::fitToSpectrum() {
    const QWidget* spectrum = parentWidget();
    const int h = kMajorTick + fontMetrics().height() + 2;
    setGeometry(0, spectrum->height() - h, spectrum->width(), h);
    placeTicks();
}

bool FrequencyScaleOverlay::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize) fitToSpectrum();
    return QWidget::eventFilter(watched, event);
}

void FrequencyScaleOverlay::paintEvent(QPaintEvent*) {
    QPainter p(this);
    // Pale enough that the bars' feet still show through, dark ticks and numbers on it.
    p.fillRect(rect(), QColor(255, 255, 255, 170));
    p.setPen(QColor(40, 40, 40));
    p.drawLine(0, 0, width(), 0);
    const QFontMetrics fm = fontMetrics();
    for (const ScaleTick& t : ticks_) {
        const int x = int(t.x);
        p.drawLine(x, 0, x, t.labelled ? kMajorTick : kMinorTick);
        if (!t.labelled) continue;
        const QString text = t.hertz == 0 ? QStringLiteral("0 Hz") : QString::number(t.hertz);
        const int textWidth = fm.horizontalAdvance(text);
        // Centred under its tick, kept inside the band at both ends.
        const int left = std::clamp(x - textWidth / 2, 1, std::max(1, width() - textWidth - 1));
        p.drawText(left, kMajorTick + 1 + fm.ascent(), text);
    }
    const std::optional<int> line = noiseLine_ ? noiseLine_() : std::nullopt;
    if (line && *line >= y() && *line < y() + height()) {
        p.setPen(QColor(255, 0, 0));  // as the spectrum draws it
        p.drawLine(0, *line - y(), width(), *line - y());
    }
}

}  // namespace vellora
