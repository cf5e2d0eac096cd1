// SPDX-License-Identifier: GPL-3.0-or-later
// The calibration button, the fine-correction slider and the frequency dialog, and
// what the calibration run sees of the window.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

#include "calibration/calibration_dialog.h"
#include "common/qt_text.h"
#include "mainwindow/form1.h"

namespace vellora {

namespace {
const QColor kQuestionRed(255, 0, 0);
}  // namespace

void Form1::CommandCalibrate_Click() { calibration_.CommandCalibrate_Click(); }

void Form1::HScrollCalibrate_Change() {
    calibration_.HScrollCalibrate_Change(int16_t(HScrollCalibrate->minimum()),
                                         int16_t(HScrollCalibrate->maximum()),
                                         int16_t(HScrollCalibrate->value()));
    updateFrequencyScale();
}

void Form1::ChoixFrequence_Click() {
    FormCalibration& dialog = ensureCalibrationDialog();
    dialog.show();
    dialog.raise();
    dialog.activateWindow();
}

std::string Form1::calibrateCaption() const { return toUtf8(CommandCalibrate->text()); }
void Form1::setCalibrateCaption(const std::string& c) {
    CommandCalibrate->setText(fromUtf8(c));
    relayout();
    calibrationChanged();
}
// Called as the calibration stops, so the automatic calibration goes with it.
void Form1::setCalibrateSliderEnabled(bool enabled) {
    HScrollCalibrate->setEnabled(enabled);
    calibrationChanged();
}

void Form1::calibrationChanged() {
    const bool on = calibration_.calibrating();
    model().setCalibrating(on);
    state.noise.heldForCalibration = on;
    if (!on) toneScaleSet_ = false;  // the next calibration starts with the way to set it
    if (on)
        toneWatch_->start();
    else
        toneWatch_->stop();
    // The read-out of the tone and its hint go with the calibration.
    showReading();
}

bool Form1::calibrating() const { return calibration_.calibrating(); }
int16_t Form1::toneHz() const { return calibration_.toneHz(); }
void Form1::stopCalibration() { calibration_.stop(); }
void Form1::checkCalibrationTone() { calibration_.checkTone(); }
void Form1::calibrationToneWritten() { calibration_.toneFileChanged(); }

void Form1::showQuestionFrame(bool shown) {
    setShapeFrequenceColour(kQuestionRed);
    ShapeFrequence->setVisible(shown);
}

void Form1::showReadout(const std::string& t) {
    TextCalibrate->setVisible(true);
    LabelCalibrate->setVisible(true);
    setReadout(t);
}

void Form1::enableMeasurementButtons() {
    CommandRun->setEnabled(true);
    CommandBruit->setEnabled(true);
    CommandAnalyse->setEnabled(true);
}

}  // namespace vellora
