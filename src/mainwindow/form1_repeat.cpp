// SPDX-License-Identifier: GPL-3.0-or-later
// Hands-free measuring in the main window: the Repeat entry and the pause between
// plucks, the automatic noise line, the large read-out and the sound cues. The
// decisions are RepeatMode's, the pluck test PluckClassifier's and the line's
// placing AutoNoiseLine's; this file only wires them to the run and the controls.
#include <QAction>
#include <QLabel>
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
// A re-arm that falls inside the yield that ends the run waits this long and tries again.
constexpr int kRearmRetryMs = 20;

QAction* checkEntry(QMenu* menu, const char* name, const QKeySequence& shortcut, bool checkable) {
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
    connect(&beltWindow(), &BeltWindow::autoNoiseRequested, this, &Form1::BruitAuto_Click);

    rearmTimer_ = new QTimer(this);
    rearmTimer_->setSingleShot(true);
    connect(rearmTimer_, &QTimer::timeout, this, &Form1::rearmRun);
    // "Not a pluck" gives way to the waiting text once it has been seen.
    statusTimer_ = new QTimer(this);
    statusTimer_->setSingleShot(true);
    connect(statusTimer_, &QTimer::timeout, this, [this] {
        model().noticeSeen();
        showReading();
    });
    bigReadout_ = new BigReadout(this);
    bigReadout_->hide();
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
    showBigReadout();
}

void Form1::readRepeatSettings() {
    RepeatTimes times;
    times.holdMs = readSetting(kSettings, kDureeAffichageKey, times.holdMs);
    model().repeat().setTimes(times);
    SignauxSonores->setChecked(readSetting(kSettings, kSignauxSonoresKey, 0) != 0);
    const bool on = readSetting(kSettings, kRepetitionKey, 0) != 0;
    Repeter->setChecked(on);
    model().repeat().setEnabled(on);
    if (on) showBigReadoutWindow(false);
}

void Form1::Repeter_Click() {
    const bool on = Repeter->isChecked();
    writeSetting(kSettings, kRepetitionKey, on ? "1" : "0");
    if (!on && meter().repeat().pending()) {
        // Turned off while paused: the run stays stopped, as after any trigger.
        rearmTimer_->stop();
        setRunCaption(text(kRunIdleKey));
    }
    model().repeat().setEnabled(on);
    showReading();
    if (on) showBigReadoutWindow(false);
}

void Form1::SignauxSonores_Click() {
    writeSetting(kSettings, kSignauxSonoresKey, SignauxSonores->isChecked() ? "1" : "0");
}

void Form1::GrandAffichage_Click() {
    // F9 shows the window and hides it again.
    if (bigReadout_->isVisible() && !bigReadout_->isMinimized())
        bigReadout_->hide();
    else
        showBigReadoutWindow(true);
}

void Form1::showBigReadoutWindow(bool activate) {
    showBigReadout();
    if (!bigReadoutPlaced_) {
        // The first time beside the main window, clear of its menus and read-outs.
        bigReadout_->show();
        bigReadoutPlaced_ = true;
        placeClearOfReadouts(*bigReadout_);
    }
    bigReadout_->show();
    bigReadout_->raise();
    if (activate) bigReadout_->activateWindow();
}

void Form1::startNoiseLearning() {
    // Disarmed while it listens, so the background itself cannot stop the run.
    state.noise.ModeBruit = false;
    state.noise.CaptureNiveauBruit = false;
    CommandBruit->setText(fromUtf8(text(kNoiseIdleKey)));
    relayout();
    autoNoise_.start();
    model().setLearningNoise(true);
    showReading();
}

void Form1::cancelNoiseLearning() {
    autoNoise_.cancel();
    model().setLearningNoise(false);
}

void Form1::endPause() {
    if (rearmTimer_) rearmTimer_->stop();
    model().repeat().stopped();
}

void Form1::BruitAuto_Click() {
    // Like the noise button, only once a calibration has enabled the measurement.
    if (!CommandBruit->isEnabled()) return;
    startNoiseLearning();
    if (meter().repeat().pending()) {
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
    relayout();
    model().setLearningNoise(false);
    showReading();
}

void Form1::repeatTriggered(std::span<const uint8_t> samples,
                            std::span<const uint8_t> previousClip) {
    model().triggerFired();
    RepeatMode& repeat = model().repeat();
    const PluckVerdict verdict = pluck_.classify(
        samples, state.plot.PasFrequence, meter().searchRange(), repeat.continuing(), previousClip);
    const RepeatDecision d = repeat.triggered(verdict, false);
    if (d.step == RepeatStep::Accept) {
        const MeterReading& r = model().pluckTaken(verdict.hz, verdict.inharmonicity);
        keepReading(r);
        playCue(r.agreement == Agreement::Confirmed);
    } else if (d.step == RepeatStep::Refuse) {
        // Logged in the words the read-outs show.
        const MeterReading r =
            model().refused(d.why, fillIn(text(kNotAPluckKey), {text(refusalKey(d.why))}));
        if (d.log) model().readingSaved(beltWindow().addReading(r.line));
        statusTimer_->start(repeat.times().refusalMs);
    } else {
        model().noticeSeen();
    }
    // Paused, not stopped: the run button keeps its Stop caption and ends the pause.
    setRunCaption(text(kRunActiveKey));
    rearmTimer_->start(d.rearmAfterMs);
}

void Form1::rearmRun() {
    // The trigger's cycle may still be in its last yield; the run must end first.
    if (runUnderWay()) {
        rearmTimer_->start(kRearmRetryMs);
        return;
    }
    if (!meter().repeat().pending()) return;
    model().rearmed();
    if (!meter().repeat().enabled()) return;
    // A cue still sounding would be heard as the next clip.
    if (tone_->playing() && !calibrating()) tone_->stop();
    setRunCaption(text(kRunIdleKey));
    runCycles();
}

void Form1::showBigReadout() {
    if (!bigReadout_) return;
    const std::optional<MeterReading>& r = meter().shown();
    QString frequency = QString::fromUtf8("\u2014");
    QString tension;
    QString colour;
    QString count;
    QString countColour;
    if (r && r->clearPitch) {
        // With the interface language's decimal mark, as the precise read-out.
        frequency = localeDecimals(r->line.hz, 1) + QChar(0x00A0) + "Hz";
        if (r->line.tension) {
            // Newtons are whole; the larger units carry a decimal, as the precise read-out.
            tension = localeDecimals(tensionIn(*r->line.tension, r->unit),
                                     r->unit == TensionUnit::Newtons ? 0 : 1) +
                      QChar(0x00A0) + unitSymbol(r->unit);
        }
        if (r->line.range != RangeStatus::NoTarget)
            colour = r->line.range == RangeStatus::Inside ? kInsideColour : kOutsideColour;
    }
    if (r && r->triggered) {
        const bool confirmed = r->agreement == Agreement::Confirmed;
        count = confirmed
                    ? fromUtf8(text(kConfirmedKey))
                    : fromUtf8(agreeingText(text(kAgreeingKey), r->agreeing, kConfirmingReadings));
        if (confirmed) countColour = kInsideColour;
    }
    bigReadout_->setReading(frequency, tension, colour, count, countColour, fromUtf8(statusText()),
                            notSavedText());
}

void Form1::playCue(bool confirmation) {
    if (!SignauxSonores->isChecked() || calibrating()) return;
    const std::filesystem::path file =
        toneFolder() / (confirmation ? kConfirmedCueFile : kAcceptedCueFile);
    const std::vector<uint8_t> bytes =
        pcmWaveFile(cueSamples(confirmation, kCaptureRate), kCaptureRate);
    // Without a cue file there is no cue; the reading itself is already taken.
    if (!std::filesystem::exists(file) && !writeFileAtomically(file, bytes)) return;
    (void)tone_->playOnce(file.string());  // a cue that cannot sound is no reason to stop
}

}  // namespace vellora
