// SPDX-License-Identifier: GPL-3.0-or-later
// The precise read-out over the spectrum, the Belt window behind it and the automatic
// calibration: each clip's fundamental to 0.1 Hz with the chosen belt's tension, kept
// as it was when the noise trigger stops the run.
#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>

#include "belt/belt_window.h"
#include "common/qt_text.h"
#include "mainwindow/form1.h"
#include "mainwindow/frequency_scale.h"
#include "mainwindow/frequency_scale_overlay.h"
#include "mainwindow/input_hold.h"
#include "mainwindow/picture_surface.h"
#include "pitch/pitch_samples.h"

namespace vellora {

namespace {
constexpr int kNoClearPitchKey = 37;
constexpr int kChooseBeltKey = 38;
constexpr int kBeltMenuKey = 39;
constexpr int kAutoCalibrateKey = 40;
constexpr int kNoClearToneKey = 41;
constexpr int kSliderEndKey = 42;
constexpr int kNotTheToneKey = 43;      // "%1" heard, "%2" the tone
constexpr int kToneLabelKey = 44;       // "%1" the tone's frequency
constexpr int kToneHintKey = 45;        // "%1" the tone's frequency to 0.1 Hz
constexpr int kToneScaleSetKey = 160;   // the same, once Auto-calibrate set the scale
constexpr int kBeltFrequencyKey = 100;  // the caption: the first mode
constexpr int kHarmonicNoteKey = 101;   // the strongest bar is often a harmonic
constexpr int kMeasuredStiffnessKey = 102;
constexpr int kStiffnessFactorKey = 103;

constexpr int kGapPixels = 8;  // between the read-out and the gauge

QLabel* readoutLabel(QWidget* parent, const char* name, int pointSizeDelta, bool bold) {
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont f = l->font();
    f.setPointSizeF(f.pointSizeF() + pointSizeDelta);
    f.setBold(bold);
    l->setFont(f);
    return l;
}

QString tenths(double hz) { return localeDecimals(hz, 1); }
// The strongest bar of the spectrum is often a harmonic; the caption says this is the
// belt's own frequency.
QString beltFrequencyCaption(const std::string& caption, const std::string& note) {
    return fromUtf8(caption) + "\n" + fromUtf8(note);
}

QString hertzText(double hz) { return tenths(hz) + QChar(0x00A0) + "Hz"; }
}  // namespace

void Form1::createPreciseReadout() {
    FramePrecise = new QFrame(Frame1);
    FramePrecise->setObjectName("FramePrecise");
    // The spectrum shows through; the mouse still reaches it for the analysis cursor.
    FramePrecise->setAttribute(Qt::WA_TransparentForMouseEvents);
    FramePrecise->setStyleSheet("#FramePrecise { background: rgba(255, 255, 255, 190); }");
    auto* column = new QVBoxLayout(FramePrecise);
    column->setContentsMargins(6, 2, 6, 4);
    column->setSpacing(0);
    LabelFondamentale = readoutLabel(FramePrecise, "LabelFondamentale", 0, false);
    TextFondamentale = readoutLabel(FramePrecise, "TextFondamentale", 8, true);
    TextTension = readoutLabel(FramePrecise, "TextTension", 1, true);
    TextStiffness = readoutLabel(FramePrecise, "TextStiffness", -1, false);
    TextAccord = readoutLabel(FramePrecise, "TextAccord", -1, false);
    TextNotSaved = readoutLabel(FramePrecise, "TextNotSaved", -1, true);
    TextNotSaved->setStyleSheet(QString("color: ") + kOutsideColour);
    TextNotSaved->setWordWrap(true);
    TextEtat = readoutLabel(FramePrecise, "TextEtat", -1, false);
    for (QLabel* l : {LabelFondamentale, TextFondamentale, TextTension, TextStiffness, TextAccord,
                      TextNotSaved, TextEtat})
        column->addWidget(l);
    TextStiffness->hide();
    TextAccord->hide();
    TextNotSaved->hide();
    FramePrecise->hide();  // until the first clip

    CommandAutoCalibrate = new QPushButton(Frame1);
    CommandAutoCalibrate->setObjectName("CommandAutoCalibrate");
    CommandAutoCalibrate->hide();
    connect(CommandAutoCalibrate, &QPushButton::clicked, this, &Form1::CommandAutoCalibrate_Click);

    Options->addSeparator();
    Courroie = Options->addAction(QString());
    Courroie->setObjectName("Courroie");
    Courroie->setShortcut(QKeySequence(Qt::Key_F6));
    connect(Courroie, &QAction::triggered, this, &Form1::Courroie_Click);

    model().chooseSetup(beltWindow_->selectedSetup());
    connect(beltWindow_, &BeltWindow::setupChanged, this, [this] {
        // The reading shown and the agreement were of the set-up before.
        model().chooseSetup(beltWindow_->selectedSetup());
        showReading();
    });
    applyPreciseCaptions();
}

void Form1::applyPreciseCaptions() {
    if (!FramePrecise) return;
    LabelFondamentale->setText(
        beltFrequencyCaption(text(kBeltFrequencyKey), text(kHarmonicNoteKey)));
    CommandAutoCalibrate->setText(fromUtf8(text(kAutoCalibrateKey)));
    Courroie->setText(fromUtf8(text(kBeltMenuKey)));
    beltWindow_->applyCaptions(
        [this](int key) -> std::optional<std::string> { return languageText("BELT", key); });
    showReading();
}

void Form1::placePreciseReadout() {
    if (!FramePrecise) return;
    // Right-aligned against the gauge, over the high bins where a belt's spectrum is low.
    const QRect gauge = Energie->geometry();
    const QRect spectrum = Im_Spectre->geometry();
    const int right = gauge.left() - kGapPixels;
    // A hint wider than the room left of the gauge wraps (a long French one on a small
    // window), rather than being cut at the spectrum's left edge.
    for (QLabel* l : {TextTension, TextAccord}) {
        l->setWordWrap(false);
        l->setMaximumWidth(QWIDGETSIZE_MAX);
    }
    FramePrecise->adjustSize();
    QSize size = FramePrecise->sizeHint();
    const int room = right - spectrum.left();
    if (size.width() > room) {
        const QMargins m = FramePrecise->layout()->contentsMargins();
        for (QLabel* l : {TextTension, TextAccord}) {
            l->setWordWrap(true);
            l->setMaximumWidth(std::max(1, room - m.left() - m.right()));
        }
        size = QSize(room, FramePrecise->layout()->hasHeightForWidth()
                               ? FramePrecise->layout()->totalHeightForWidth(room)
                               : FramePrecise->sizeHint().height());
    }
    const int left = std::max(spectrum.left(), right - size.width());
    CommandAutoCalibrate->adjustSize();
    const QSize b = CommandAutoCalibrate->sizeHint();
    // The box and the button below it never hide the noise line: while it is shown they
    // move below it (or above, near the bottom), clear of the frequency scale.
    const int block =
        size.height() + (CommandAutoCalibrate->isHidden() ? 0 : kGapPixels + b.height());
    const bool lineShown = state.noise.ModeBruit || state.noise.CaptureNiveauBruit;
    const int bottom =
        spectrum.bottom() + 1 - (EchelleFrequence->isHidden() ? 0 : EchelleFrequence->height());
    const int top = clearOfNoiseLine(
        gauge.top(), block,
        lineShown ? std::optional<int>(spectrum.top() + state.noise.NiveauBruit) : std::nullopt,
        bottom, kGapPixels);
    FramePrecise->setGeometry(left, top, right - left, size.height());
    FramePrecise->layout()->setGeometry(FramePrecise->rect());  // at once, shown or not
    CommandAutoCalibrate->setGeometry(std::max(spectrum.left(), right - b.width()),
                                      top + size.height() + kGapPixels, b.width(), b.height());
    FramePrecise->raise();
    CommandAutoCalibrate->raise();
    EchelleFrequence->update();  // the noise line it may draw again moved
}

size_t Form1::recordingBytesWanted() const { return kRecordingReadLimit; }

void Form1::recordingRead(std::span<const uint8_t> file, bool triggered) {
    const std::vector<uint8_t> samples = recordingSamples(file);
    learnNoiseLine(samples.size());
    const float pas = state.plot.PasFrequence;
    if (calibrating()) {
        model().toneRead(precise_.tone(samples, pas, toneHz()));
    } else {
        const std::optional<PitchEstimate> e = precise_.belt(samples, pas, meter().searchRange());
        if (triggered && meter().repeat().enabled()) {
            // Only a pluck counts; the decision and its logging are hands-free measuring's.
            repeatTriggered(samples, previousClip_);
        } else if (triggered && e) {
            keepReading(model().taken(e->hz, e->inharmonicity));
        } else {
            model().clipRead(e ? std::optional(e->hz) : std::nullopt, e ? e->inharmonicity : 0);
        }
    }
    if (triggered)
        previousClip_.clear();
    else
        previousClip_ = samples;
    showReading();
}

void Form1::forgetClips(bool newRun) {
    previousClip_.clear();  // a new run knows nothing of the clips before it
    // A new run's lowest belts are read from its own clips only.
    if (newRun) precise_.startRun();
}

void Form1::keepReading(const MeterReading& r) {
    // The record as made: the Belt window and the readings file take its line unchanged.
    model().readingSaved(beltWindow_->addReading(r.line));
    beltWindow_->showAgreement(r.agreement);
}

QString Form1::notSavedText() const {
    const std::optional<Failure> why = meter().notSaved();
    if (!why) return {};
    return fromUtf8(
        fillIn(text(kNotSavedKey), {fillIn(text(failureCauseKey(*why)), {kReadingsFileName})}));
}

void Form1::showReading() {
    showPreciseReading();
    showBigReadout();
}

std::string Form1::statusText() const {
    if (const std::optional<PluckRefusal> why = meter().notice())
        return fillIn(text(kNotAPluckKey), {text(refusalKey(*why))});
    return text(statusKey(meter().state()));
}

void Form1::showPreciseReading() {
    if (!FramePrecise) return;
    const bool calibrating = meter().state() == MeterActivity::Calibrating;
    const std::optional<MeterReading>& r = meter().shown();
    TextEtat->setText(fromUtf8(statusText()));
    CommandAutoCalibrate->setVisible(calibrating);
    // Nothing to show before the first clip, unless hands-free measuring says what it waits for.
    if (calibrating ? !meter().toneHeard() : !r && !meter().repeat().enabled()) {
        FramePrecise->hide();
        TextAccord->hide();
        return;
    }
    QString hz = QString::fromUtf8("\u2014");
    QString caption = beltFrequencyCaption(text(kBeltFrequencyKey), text(kHarmonicNoteKey));
    QString tension;
    QString stiffness;
    QString colour;
    QString accord;
    QString accordStyle;
    if (calibrating) {
        // A tone is no belt: no tension for it, but the way to a scale that reads it
        // exactly. The whole-hertz box cannot: its bins are 5.4 Hz apart.
        const std::optional<double> tone = *meter().toneHeard();
        hz = tone ? hertzText(*tone) : fromUtf8(text(kNoClearPitchKey));
        caption = fromUtf8(text(kToneLabelKey)).replace("%1", QString::number(toneHz()));
        tension = fromUtf8(text(toneScaleSet_ ? kToneScaleSetKey : kToneHintKey))
                      .replace("%1", tenths(toneHz()));
    } else {
        if (r) hz = r->clearPitch ? hertzText(r->line.hz) : fromUtf8(text(kNoClearPitchKey));
        if (!meter().setup()) {
            tension = fromUtf8(text(kChooseBeltKey));
        } else if (r && r->line.tension) {
            const Tension& t = *r->line.tension;
            stiffness =
                r->measuredStiffness
                    ? fromUtf8(text(kMeasuredStiffnessKey)).arg(localeDecimals(r->inharmonicity, 4))
                    : fromUtf8(text(kStiffnessFactorKey)).arg(localeDecimals(r->factor, 2));
            tension = QString("%1\u00a0N  %2\u00a0kgf  %3\u00a0lbf")
                          .arg(localeDecimals(t.newtons, 0), localeDecimals(t.kgf, 1),
                               localeDecimals(t.lbf, 1));
            if (r->line.range != RangeStatus::NoTarget)
                colour = r->line.range == RangeStatus::Inside ? kInsideColour : kOutsideColour;
        }
        if (meter().notice()) {
            accord = fromUtf8(statusText());
            accordStyle = QString("color: ") + kOutsideColour;
        } else if (r && r->triggered) {
            // Worded and coloured as the Belt window's agreement line.
            accord = fromUtf8(beltWindow_->captionText(agreementCaption(r->agreement)));
            if (r->agreement != Agreement::TooFew)
                accordStyle =
                    QString("color: ") +
                    (r->agreement == Agreement::Confirmed ? kInsideColour : kOutsideColour);
        }
    }
    TextFondamentale->setText(hz);
    LabelFondamentale->setText(caption);
    // The hints read as hints, not as measured values.
    const bool measured = meter().setup().has_value() && !calibrating;
    if (TextTension->font().bold() != measured) {
        QFont f = TextTension->font();
        f.setBold(measured);
        TextTension->setFont(f);
    }
    TextTension->setText(tension);
    TextTension->setVisible(!tension.isEmpty());
    TextStiffness->setText(stiffness);
    TextStiffness->setVisible(!stiffness.isEmpty());
    TextAccord->setText(accord);
    TextAccord->setVisible(!accord.isEmpty());
    // Hands-free, no one looks at the Belt window: a reading lost shows where one looks.
    QString notSaved = calibrating ? QString() : notSavedText();
    if (!notSaved.isEmpty()) notSaved += "\n" + fromUtf8(text(kKeptForExportKey));
    TextNotSaved->setText(notSaved);
    TextNotSaved->setVisible(!notSaved.isEmpty());
    if (TextAccord->styleSheet() != accordStyle) TextAccord->setStyleSheet(accordStyle);
    TextTension->setProperty("rangeColour", colour);
    // A style sheet change restyles the labels: only when the colour changes, not every cycle.
    const QString style = colour.isEmpty() ? QString() : "color: " + colour;
    if (TextTension->styleSheet() != style) {
        TextTension->setStyleSheet(style);
        TextFondamentale->setStyleSheet(style);
    }
    FramePrecise->show();
    placePreciseReadout();
}

void Form1::CommandAutoCalibrate_Click() {
    const std::vector<uint8_t> samples = readRecordingSamples(recordingPath());
    const int16_t tone = toneHz();
    const PreciseMeter::AutoCalibration a = precise_.autoCalibrate(
        samples, state.plot.PasFrequence, tone, int16_t(HScrollCalibrate->minimum()),
        int16_t(HScrollCalibrate->maximum()));
    if (!a.heardHz) {
        showProblem(text(kNoClearToneKey));
        return;
    }
    if (!a.setting) {
        showProblem(
            fillIn(text(kNotTheToneKey), {toUtf8(tenths(*a.heardHz)), std::to_string(tone)}));
        return;
    }
    // Through the slider's own handler, as a hand on the slider would; fine-tuning by
    // hand goes on from there.
    HScrollCalibrate->setValue(a.setting->position);
    toneScaleSet_ = true;
    showReading();
    if (a.setting->limited) showProblem(text(kSliderEndKey));
}

void Form1::placeClearOfReadouts(QWidget& window) const {
    const auto onScreen = [](const QWidget* w) {
        const QRect r(w->mapToGlobal(QPoint(0, 0)), w->size());
        return ScreenRect{r.left(), r.top(), r.width(), r.height()};
    };
    std::vector<ScreenRect> readouts = {onScreen(TextCalibrate), onScreen(LabelCalibrate),
                                        onScreen(menuBar())};
    if (!FramePrecise->isHidden()) readouts.push_back(onScreen(FramePrecise));
    const QRect main = frameGeometry();
    const QRect frame = window.frameGeometry();
    const QRect avail = screen()->availableGeometry();
    const ScreenRect at =
        besideWithoutCovering({0, 0, frame.width(), frame.height()},
                              {main.left(), main.top(), main.width(), main.height()}, readouts,
                              {avail.left(), avail.top(), avail.width(), avail.height()});
    window.move(at.left, at.top);
}

void Form1::Courroie_Click() {
    // F6 shows the window and hides it again.
    if (beltWindow_->isVisible() && !beltWindow_->isMinimized()) {
        beltWindow_->hide();
        return;
    }
    if (!beltWindowPlaced_) {
        // On its first showing, beside the main window where it hides neither the
        // precise read-out nor the frequency read-out; afterwards where the user left it.
        beltWindow_->show();
        beltWindowPlaced_ = true;
        placeClearOfReadouts(*beltWindow_);
    }
    beltWindow_->show();
    beltWindow_->raise();
    beltWindow_->activateWindow();
}

}  // namespace vellora
