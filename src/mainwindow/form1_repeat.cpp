// SPDX-License-Identifier: GPL-3.0-or-later
// Hands-free measuring in the main window: the Repeat entry and the pause between
// plucks, the automatic noise line, the large read-out and the sound cues. The
// decisions are RepeatMode's, the pluck test PluckClassifier's and the line's
// placing AutoNoiseLine's; this file only wires them to the run and the controls.
#include <QAction>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include "audio/audio_input.h"
#include "belt/belt_window.h"
#include "common/atomic_file.h"
#include "common/qt_text.h"
#include "mainwindow/big_readout.h"
#include "mainwindow/form1.h"
#include "mainwindow/picture_surface.h"
#include "settings/settings_store.h"
#include "wave/recorder_wave.h"

namespace vellora {

namespace {
constexpr const char* kSettings = kSettingsSection;
// The cues are written next to the calibration tone, once per session.
constexpr const char* kAcceptedCueFile = "CueAccepted.wav";
constexpr const char* kConfirmedCueFile = "CueConfirmed.wav";
// A re-arm that falls inside the yield that ends the run waits this long and tries again.
constexpr int kRearmRetryMs = 20;

QAction* checkEntry(QMenu* menu, const char* name, QKeySequence shortcut, bool checkable) {
    QAction* a = menu->addAction(QString());
    a->setObjectName(name);
    a->setShortcut(shortcut);
    a->setCheckable(checkable);
    return a;
}
}  // namespace

void Form1::createRepeatControls() {
    Options->addSeparator();
    Repeter = checkEntry(Options, "Repeter", QKeySequence(Qt::Key_F7), true);
    BruitAuto = checkEntry(Options, "BruitAuto", QKeySequence(Qt::Key_F8), false);
    GrandAffichage = checkEntry(Options, "GrandAffichage", QKeySequence(Qt::Key_F9), false);
    SignauxSonores = checkEntry(Options, "SignauxSonores", QKeySequence(), true);
    connect(Repeter, &QAction::triggered, this, &Form1::Repeter_Click);
    connect(BruitAuto, &QAction::triggered, this, &Form1::BruitAuto_Click);
    connect(GrandAffichage, &QAction::triggered, this, &Form1::GrandAffichage_Click);
    connect(SignauxSonores, &QAction::triggered, this, &Form1::SignauxSonores_Click);
    connect(beltWindow_, &BeltWindow::autoNoiseRequested, this, &Form1::BruitAuto_Click);

    rearmTimer_ = new QTimer(this);
    rearmTimer_->setSingleShot(true);
    connect(rearmTimer_, &QTimer::timeout, this, &Form1::rearmRun);
    // "Not a pluck" gives way to the waiting text once it has been seen.
    statusTimer_ = new QTimer(this);
    statusTimer_->setSingleShot(true);
    connect(statusTimer_, &QTimer::timeout, this, [this] {
        if (repeat_.enabled() && state.MesureEnCours) setRepeatStatus(text(kWaitingKey));
    });
    bigReadout_ = new BigReadout(this);
    bigReadout_->hide();
    connect(beltWindow_, &BeltWindow::setupChanged, this, &Form1::showBigReadout);
    applyRepeatCaptions();
}

void Form1::applyRepeatCaptions() {
    if (!Repeter) return;
    Repeter->setText(fromUtf8(text(kRepeatMenuKey)));
    BruitAuto->setText(fromUtf8(text(kAutoNoiseMenuKey)));
    GrandAffichage->setText(fromUtf8(text(kBigReadoutMenuKey)));
    SignauxSonores->setText(fromUtf8(text(kSoundCuesMenuKey)));
    QString title = GrandAffichage->text();
    bigReadout_->setWindowTitle(title.remove('&'));
    if (repeat_.enabled())
        setRepeatStatus(
            text(state.MesureEnCours || repeat_.pending() ? kWaitingKey : kRepeatStoppedKey));
}

void Form1::readRepeatSettings() {
    RepeatTimes times;
    times.holdMs = readSetting(kSettings, kDureeAffichageKey, times.holdMs);
    repeat_.setTimes(times);
    SignauxSonores->setChecked(readSetting(kSettings, kSignauxSonoresKey, 0) != 0);
    const bool on = readSetting(kSettings, kRepetitionKey, 0) != 0;
    Repeter->setChecked(on);
    repeat_.setEnabled(on);
    if (on) bigReadout_->show();
}

void Form1::Repeter_Click() {
    const bool on = Repeter->isChecked();
    writeSetting(kSettings, kRepetitionKey, on ? "1" : "0");
    if (!on && repeat_.pending()) {
        // Turned off while paused: the run stays stopped, as after any trigger.
        rearmTimer_->stop();
        setRunCaption(text(kRunIdleKey));
    }
    repeat_.setEnabled(on);
    if (on) {
        setRepeatStatus(text(state.MesureEnCours ? kWaitingKey : kRepeatStoppedKey));
        bigReadout_->show();
        bigReadout_->raise();
    }
}

void Form1::SignauxSonores_Click() {
    writeSetting(kSettings, kSignauxSonoresKey, SignauxSonores->isChecked() ? "1" : "0");
}

void Form1::GrandAffichage_Click() {
    showBigReadout();
    bigReadout_->show();
    bigReadout_->raise();
    bigReadout_->activateWindow();
}

void Form1::startNoiseLearning() {
    // Disarmed while it listens, so the background itself cannot stop the run.
    state.noise.ModeBruit = false;
    state.noise.CaptureNiveauBruit = false;
    CommandBruit->setText(fromUtf8(text(kNoiseIdleKey)));
    applyGeometry(geometry_);
    autoNoise_.start();
    setRepeatStatus(text(kListeningKey));
}

void Form1::BruitAuto_Click() {
    // Like the noise button, only once a calibration has enabled the measurement.
    if (!CommandBruit->isEnabled()) return;
    startNoiseLearning();
    if (repeat_.pending()) {
        rearmTimer_->start(0);  // listen now rather than after the pause
    } else if (!state.MesureEnCours) {
        CommandRun_Click();
    }
}

void Form1::learnNoiseLine(size_t samples) {
    if (!autoNoise_.listening()) return;
    const std::optional<int32_t> line =
        autoNoise_.addCycle(state.plot.TableBarres, state.plot.NbFrequencesAffichees,
                            int32_t(Im_Spectre->scaleHeight()), double(samples) / kCaptureRate);
    if (!line) return;
    // As if placed with the mouse and fixed with a click; the noise button says armed
    // and the line can be moved by hand as before.
    armNoiseLine(state.noise, *line);
    CommandBruit->setText(fromUtf8(text(kNoiseArmedKey)));
    applyGeometry(geometry_);
    setRepeatStatus(text(kWaitingKey));
}

bool Form1::repeatTriggered(std::span<const uint8_t> samples) {
    const std::optional<BeltSetup> setup = beltWindow_->selectedSetup();
    const PluckVerdict verdict = pluck_.classify(
        samples, state.plot.PasFrequence, targetRange(setup), repeat_.continuing(), previousClip_);
    const RepeatDecision d = repeat_.triggered(verdict, false);
    if (d.step == RepeatStep::Original) return false;
    if (d.step == RepeatStep::Accept) {
        preciseHz_ = std::optional<double>(verdict.hz);
        const Agreement a = beltWindow_->addReading(verdict.hz);
        TextAccord->setText(beltWindow_->agreementLabel->text());
        TextAccord->setStyleSheet(beltWindow_->agreementLabel->styleSheet());
        TextAccord->show();
        playCue(a == Agreement::Confirmed);
        repeatStatus_ = text(kWaitingKey);
    } else if (d.step == RepeatStep::Refuse) {
        std::string why = text(kNotAPluckKey);
        const size_t at = why.find("%1");
        if (at != std::string::npos) why.replace(at, 2, text(refusalKey(d.why)));
        if (d.log) beltWindow_->addRefused(why);
        TextAccord->setText(fromUtf8(why));
        TextAccord->setStyleSheet(QString("color: ") + kOutsideColour);
        TextAccord->show();
        repeatStatus_ = why;
        statusTimer_->start(repeat_.times().refusalMs);
    }
    // Paused, not stopped: the run button keeps its Stop caption and ends the pause.
    setRunCaption(text(kRunActiveKey));
    rearmTimer_->start(d.rearmAfterMs);
    return d.step != RepeatStep::Continue;
}

void Form1::rearmRun() {
    // The trigger's cycle may still be in its last yield; the run must end first.
    if (runDepth_ > 0) {
        rearmTimer_->start(kRearmRetryMs);
        return;
    }
    repeat_.rearmed();
    if (!repeat_.enabled()) return;
    // A cue still sounding would be heard as the next clip.
    if (tone_->playing() && !calibration_.calibrating()) tone_->stop();
    setRunCaption(text(kRunIdleKey));
    if (!autoNoise_.listening() && !statusTimer_->isActive()) setRepeatStatus(text(kWaitingKey));
    CommandRun_Click();
}

void Form1::setRepeatStatus(const std::string& status) {
    repeatStatus_ = status;
    showBigReadout();
}

void Form1::showBigReadout() {
    if (!bigReadout_) return;
    // The last reading taken, held while the meter listens for the next: the clips in
    // between are only background.
    const std::vector<Reading>& log = beltWindow_->readings().readings();
    const auto last = std::find_if(log.rbegin(), log.rend(), [](const Reading& r) {
        return r.status != ReadingStatus::Refused;
    });
    const std::optional<double> hz =
        last != log.rend() ? std::optional<double>(last->hz) : std::nullopt;
    const std::optional<BeltSetup> setup = beltWindow_->selectedSetup();
    QString tension;
    QString colour;
    if (hz && setup && setup->name == last->setup) {
        const TensionUnit unit = setup->unit;
        // Newtons are whole; the larger units carry a decimal, as the precise read-out.
        tension = QLocale().toString(tensionIn(tensionOf(*setup, *hz), unit), 'f',
                                     unit == TensionUnit::Newtons ? 0 : 1) +
                  QChar(0x00A0) + unitSymbol(unit);
        const RangeStatus range = rangeStatus(*setup, *hz);
        if (range != RangeStatus::NoTarget)
            colour = range == RangeStatus::Inside ? kInsideColour : kOutsideColour;
    }
    QString count;
    const bool confirmed = agreementOf(log) == Agreement::Confirmed;
    if (confirmed)
        count = fromUtf8(text(kConfirmedKey));
    else if (!log.empty())
        count = fromUtf8(agreeingText(text(kAgreeingKey), agreeingCount(log), kConfirmingReadings));
    // With the interface language's decimal mark, as the precise read-out.
    const QString hertz =
        hz ? QLocale().toString(*hz, 'f', 1) + QChar(0x00A0) + "Hz" : QString::fromUtf8("\u2014");
    bigReadout_->setReading(hertz, tension, colour, count,
                            confirmed ? QString(kInsideColour) : QString(),
                            fromUtf8(repeatStatus_));
}

void Form1::playCue(bool confirmation) {
    if (!SignauxSonores->isChecked() || calibration_.calibrating()) return;
    const std::filesystem::path file =
        services_.toneFolder / (confirmation ? kConfirmedCueFile : kAcceptedCueFile);
    const std::vector<uint8_t> bytes =
        pcmWaveFile(cueSamples(confirmation, kCaptureRate), kCaptureRate);
    // Without a cue file there is no cue; the reading itself is already taken.
    if (!std::filesystem::exists(file) && !writeFileAtomically(file, bytes)) return;
    tone_->playOnce(file.string());
}

}  // namespace vellora
