// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/big_readout.h"

#include <QLabel>
#include <QShortcut>
#include <QVBoxLayout>

#include "belt/belt_window.h"

namespace vellora {

namespace {
// Shares of the window's height for each line's font; together with the spacing they
// fill the window without clipping.
constexpr double kFrequencyShare = 0.30;
constexpr double kTensionShare = 0.15;
constexpr double kCountShare = 0.12;
constexpr double kStatusShare = 0.07;
constexpr int kMinPixels = 10;

QLabel* line(QWidget* parent, const char* name, bool bold) {
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setAlignment(Qt::AlignCenter);
    QFont f = l->font();
    f.setBold(bold);
    l->setFont(f);
    return l;
}
}  // namespace

BigReadout::BigReadout(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("BigReadout");
    auto* column = new QVBoxLayout(this);
    frequencyLabel = line(this, "frequencyLabel", true);
    tensionLabel = line(this, "tensionLabel", true);
    countLabel = line(this, "countLabel", true);
    statusLabel = line(this, "statusLabel", false);
    statusLabel->setWordWrap(true);
    notSavedLabel = line(this, "notSavedLabel", true);
    notSavedLabel->setWordWrap(true);
    notSavedLabel->setStyleSheet(QString("color: ") + kOutsideColour);
    notSavedLabel->hide();
    for (QLabel* l : {frequencyLabel, tensionLabel, countLabel, statusLabel, notSavedLabel})
        column->addWidget(l);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
            &QWidget::close);
    resize(720, 420);
    fitFonts();
}

void BigReadout::setReading(const QString& frequency, const QString& tension, const QString& colour,
                            const QString& count, const QString& countColour, const QString& status,
                            const QString& notSaved) {
    frequencyLabel->setText(frequency);
    notSavedLabel->setText(notSaved);
    notSavedLabel->setVisible(!notSaved.isEmpty());
    tensionLabel->setText(tension);
    countLabel->setText(count);
    statusLabel->setText(status);
    tensionLabel->setVisible(!tension.isEmpty());
    countLabel->setVisible(!count.isEmpty());
    const QString style = colour.isEmpty() ? QString() : "color: " + colour;
    // Restyling relays the labels out: only when the colour changes.
    if (frequencyLabel->styleSheet() != style) {
        frequencyLabel->setStyleSheet(style);
        tensionLabel->setStyleSheet(style);
    }
    frequencyLabel->setProperty("rangeColour", colour);
    const QString countStyle = countColour.isEmpty() ? QString() : "color: " + countColour;
    if (countLabel->styleSheet() != countStyle) countLabel->setStyleSheet(countStyle);
}

void BigReadout::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitFonts();
}

void BigReadout::fitFonts() {
    const double h = height();
    const std::pair<QLabel*, double> lines[] = {{frequencyLabel, kFrequencyShare},
                                                {tensionLabel, kTensionShare},
                                                {countLabel, kCountShare},
                                                {statusLabel, kStatusShare},
                                                {notSavedLabel, kStatusShare}};
    for (const auto& [label, share] : lines) {
        QFont f = label->font();
        f.setPixelSize(std::max(kMinPixels, int(h * share)));
        label->setFont(f);
    }
}

}  // namespace vellora
