// SPDX-License-Identifier: GPL-3.0-or-later
// The measurement buttons and what the run sees of the window: captions, the
// smoothing box, the two drawing surfaces, the read-out and the yield.
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "audio/recorder_result.h"
#include "common/qt_text.h"
#include "common/text.h"
#include "mainwindow/form1.h"
#include "mainwindow/picture_surface.h"

namespace vellora {

namespace {
constexpr int kInputLostKey = 49;
constexpr int kRecordingNotSavedKey = 50;  // "%1" the recording file
}  // namespace

std::string Form1::languageText(const char* section, int key) const {
    return services_.text ? services_.text(section, key) : std::string(kMissingText);
}

std::string Form1::text(int form1Key) const { return languageText("FORM1", form1Key); }

void Form1::CommandRun_Click() {
    if (repeat_.pending()) {
        // Paused between plucks, the caption says Stop: the press ends hands-free
        // measuring, through the run's own stop.
        rearmTimer_->stop();
        repeat_.stopped();
        setRepeatStatus(text(kRepeatStoppedKey));
    } else if (repeat_.enabled() && runCaption() == text(kRunIdleKey) && !state.noise.ModeBruit &&
               !calibration_.calibrating()) {
        // Hands-free from the first press: without a line, the background sets one.
        startNoiseLearning();
    } else if (runCaption() != text(kRunIdleKey)) {
        autoNoise_.cancel();
    }
    previousClip_.clear();  // a new run knows nothing of the clips before it
    // A new run's lowest belts are read from its own clips only.
    if (!state.MesureEnCours) precise_.startRun();
    ++runDepth_;
    run_.CommandRun_Click();
    --runDepth_;
    if (repeat_.enabled() && !repeat_.pending() && !state.MesureEnCours)
        setRepeatStatus(text(kRepeatStoppedKey));
}

void Form1::CommandAnalyse_Click() { run_.CommandAnalyse_Click(); }

void Form1::CommandBruit_Click() {
    bool idle = toUtf8(CommandBruit->text()) == text(kNoiseIdleKey);
    // With equal texts the caption cannot tell; the armed flag can.
    if (text(kNoiseIdleKey) == text(kNoiseArmedKey)) idle = !state.noise.ModeBruit;
    const bool armed = pressNoiseButton(state.noise, idle);
    CommandBruit->setText(fromUtf8(text(armed ? kNoiseArmedKey : kNoiseIdleKey)));
    applyGeometry(geometry_);
}

std::string Form1::runCaption() const { return toUtf8(CommandRun->text()); }
void Form1::setRunCaption(const std::string& caption) {
    CommandRun->setText(fromUtf8(caption));
    applyGeometry(geometry_);  // the new caption may need more room
}
std::string Form1::analyseCaption() const { return toUtf8(CommandAnalyse->text()); }
void Form1::setAnalyseCaption(const std::string& caption) {
    CommandAnalyse->setText(fromUtf8(caption));
    applyGeometry(geometry_);
}
std::string Form1::smoothingText() const { return toUtf8(TextEchantillon->text()); }
void Form1::setSmoothingText(const std::string& t) { TextEchantillon->setText(fromUtf8(t)); }
void Form1::setSmoothingEnabled(bool enabled) { TextEchantillon->setEnabled(enabled); }
DrawingSurface& Form1::spectrum() { return *Im_Spectre; }
DrawingSurface& Form1::gauge() { return *Energie; }
void Form1::setReadout(const std::string& t) { TextCalibrate->setText(fromUtf8(t)); }

void Form1::refreshSpectrum() {
    updateFrequencyScale();
    Im_Spectre->refresh();
    Energie->refresh();
}

void Form1::yield() {
    calibration_.checkTone();
    QApplication::processEvents(QEventLoop::AllEvents);
}

void Form1::showRunProblem(const std::string& message) { showProblem(message); }

// Each failure named as what it is: a clip that could not be saved is no missing
// microphone.
std::string Form1::captureFailure(int32_t code) const {
    const std::string coded = " (" + std::to_string(code) + ")";
    if (code == kFileNotWritten) {
        std::error_code ec;
        const auto file =
            std::filesystem::absolute(services_.recordingPath, ec).lexically_normal().string();
        return fillIn(text(kRecordingNotSavedKey), {file}) + coded;
    }
    std::string message = text(kCaptureFailedKey) + coded;
    if (code == kNoAudioInTime) message += "\n" + text(kInputLostKey);
    return message;
}

void Form1::showProblem(const std::string& message) {
    if (services_.showMessage) {
        services_.showMessage(message);
        return;
    }
    QMessageBox::warning(this, windowTitle(), fromUtf8(message));
}

bool Form1::askOkCancel(const std::string& question) {
    if (services_.askOkCancel) return services_.askOkCancel(question);
    // No icon and the program's title, OK first and default; Qt's catalogue of the
    // interface language words the two buttons.
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(kApplicationTitle), fromUtf8(question),
                    QMessageBox::Ok | QMessageBox::Cancel, this);
    box.setObjectName("CalibrationQuestion");
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok;
}

}  // namespace vellora
