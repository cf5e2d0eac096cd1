// SPDX-License-Identifier: GPL-3.0-or-later
// The measurement buttons and what the run sees of the window: captions, the
// smoothing box, the two drawing surfaces, the read-out and the yield.
#include <fcntl.h>
#include <unistd.h>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "audio/recorder_result.h"
#include "common/atomic_file.h"
#include "common/qt_text.h"
#include "common/text.h"
#include "mainwindow/form1.h"
#include "mainwindow/picture_surface.h"

namespace vellora {

namespace {
constexpr int kInputLostKey = 49;
constexpr int kRecordingNotSavedKey = 50;  // "%1" the recording file: its folder's fault
constexpr int kRecordingRefusedKey = 153;  // "%1" why, when the file itself refuses
constexpr int kFolderInUseKey = 154;       // "%1" the folder another instance records in
constexpr int kInputLostCalibratingKey = 96;
}  // namespace

std::string Form1::text(int form1Key) const { return languageText("FORM1", form1Key); }

void Form1::CommandRun_Click() {
    const RepeatMode& repeat = meter().repeat();
    const bool idle = runCaption() == text(kRunIdleKey);
    if (repeat.pending()) {
        // Paused between plucks, the caption says Stop: the press ends hands-free
        // measuring, through the run's own stop.
        endPause();
    } else if (repeat.enabled() && idle && !state.noise.ModeBruit && !calibrating()) {
        // Hands-free from the first press: without a line, the background sets one.
        startNoiseLearning();
    } else if (!idle) {
        cancelNoiseLearning();
    }
    if (idle && !state.MesureEnCours) model().runStarted();
    runCycles();
}

void Form1::runCycles() {
    forgetClips(!state.MesureEnCours);
    ++runDepth_;
    run_.CommandRun_Click();
    --runDepth_;
    if (!state.MesureEnCours) model().runStopped();
    if (meter().state() == MeterActivity::Stopped) releaseRecording();
    showReading();
}

bool Form1::runUnderWay() const { return runDepth_ > 0; }

void Form1::CommandAnalyse_Click() { run_.CommandAnalyse_Click(); }

void Form1::CommandBruit_Click() {
    bool idle = toUtf8(CommandBruit->text()) == text(kNoiseIdleKey);
    // With equal texts the caption cannot tell; the armed flag can.
    if (text(kNoiseIdleKey) == text(kNoiseArmedKey)) idle = !state.noise.ModeBruit;
    const bool armed = pressNoiseButton(state.noise, idle);
    CommandBruit->setText(fromUtf8(text(armed ? kNoiseArmedKey : kNoiseIdleKey)));
    relayout();
}

std::string Form1::runCaption() const { return toUtf8(CommandRun->text()); }
void Form1::setRunCaption(const std::string& caption) {
    CommandRun->setText(fromUtf8(caption));
    relayout();  // the new caption may need more room
}
std::string Form1::analyseCaption() const { return toUtf8(CommandAnalyse->text()); }
void Form1::setAnalyseCaption(const std::string& caption) {
    CommandAnalyse->setText(fromUtf8(caption));
    relayout();
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
    checkCalibrationTone();
    QApplication::processEvents(QEventLoop::AllEvents);
}

void Form1::showRunProblem(const std::string& message) {
    // A calibration whose run failed has nothing to listen with: it ends with the run,
    // so no tone plays on unheard and no second message follows.
    if (calibrating()) stopCalibration();
    model().runStopped();
    showReading();
    showProblem(message);
}

// Each failure named as what it is: a clip that could not be saved is no missing
// microphone.
std::string Form1::captureFailure(int32_t code) const {
    const std::string coded = " (" + std::to_string(code) + ")";
    if (code == kFileNotWritten) {
        std::error_code ec;
        const auto file = std::filesystem::absolute(recordingPath(), ec).lexically_normal();
        // The writer's own rule says why: the folder, or the file under the name (a
        // folder, a FIFO, a device, write-protected); neither, the disk.
        const Status why = checkWritable(file);
        const bool folderWritable =
            ::faccessat(AT_FDCWD, file.parent_path().c_str(), W_OK | X_OK, AT_EACCESS) == 0;
        if (why.failure() != Failure::NotRegularFile && !folderWritable)
            return fillIn(text(kRecordingNotSavedKey), {file.string()}) + coded;
        const std::string cause = fillIn(
            text(failureCauseKey(why ? Failure::WriteFailed : why.failure())), {file.string()});
        return fillIn(text(kRecordingRefusedKey), {cause}) + coded;
    }
    if (code == kFolderInUse) {
        std::error_code ec;
        const auto file = std::filesystem::absolute(recordingPath(), ec).lexically_normal();
        return fillIn(text(kFolderInUseKey), {file.parent_path().string()}) + coded;
    }
    std::string message = text(kCaptureFailedKey) + coded;
    if (code == kNoAudioInTime)
        message += "\n" + text(calibrating() ? kInputLostCalibratingKey : kInputLostKey);
    return message;
}

}  // namespace vellora
