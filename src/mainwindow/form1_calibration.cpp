// The calibration button, the fine-correction slider and the frequency dialog, and
// what the calibration run sees of the window.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

#include "calibration/calibration_dialog.h"
#include "mainwindow/form1.h"

namespace vellora {

namespace {
QString fromUtf8(const std::string& s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }
const QColor kQuestionRed(255, 0, 0);
}  // namespace

void Form1::CommandCalibrate_Click() { calibration_.CommandCalibrate_Click(); }

void Form1::HScrollCalibrate_Change() {
    calibration_.HScrollCalibrate_Change(int16_t(HScrollCalibrate->minimum()),
                                         int16_t(HScrollCalibrate->maximum()),
                                         int16_t(HScrollCalibrate->value()));
}

void Form1::ChoixFrequence_Click() {
    if (!calibrationDialog_) {
        CalibrationDialogHost host;
        host.text = [this](const char* section, int key) { return languageText(section, key); };
        host.readInt = services_.readInt ? services_.readInt
                                         : [](const char*, const char*, int32_t d) { return d; };
        host.writeString = services_.writeString
                               ? services_.writeString
                               : [](const char*, const char*, const std::string&) { return false; };
        host.showProblem = [this](const std::string& m) { showProblem(m); };
        host.frequenceCal = &state.FrequenceCal;
        host.toneFolder = services_.toneFolder;
        calibrationDialog_ = new FormCalibration(std::move(host), this);
    }
    calibrationDialog_->show();
    calibrationDialog_->raise();
    calibrationDialog_->activateWindow();
}

std::string Form1::calibrateCaption() const {
    return CommandCalibrate->text().toUtf8().toStdString();
}
void Form1::setCalibrateCaption(const std::string& c) { CommandCalibrate->setText(fromUtf8(c)); }
void Form1::setCalibrateSliderEnabled(bool enabled) { HScrollCalibrate->setEnabled(enabled); }

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
