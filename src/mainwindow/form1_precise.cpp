// SPDX-License-Identifier: GPL-3.0-or-later
// The precise read-out over the spectrum, the Belt window behind it and the automatic
// calibration: each clip's fundamental to 0.1 Hz with the chosen belt's tension, kept
// as it was when the noise trigger stops the run.
#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
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

// With the interface language's decimal mark, and a blank that keeps the unit with it.
QString decimals(double v, int n) {
    QLocale shown;
    shown.setNumberOptions(QLocale::OmitGroupSeparator);
    return shown.toString(v, 'f', n);
}
QString tenths(double hz) { return decimals(hz, 1); }
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
    for (QLabel* l : {LabelFondamentale, TextFondamentale, TextTension, TextStiffness, TextAccord})
        column->addWidget(l);
    TextStiffness->hide();
    TextAccord->hide();
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

    BeltStore* store = services_.beltStore;
    if (!store) {
        sessionBeltStore_ = std::make_unique<MemoryBeltStore>();
        store = sessionBeltStore_.get();
    }
    beltWindow_ = new BeltWindow(*store, this);
    beltWindow_->hide();
    if (services_.askOkCancel)
        beltWindow_->confirm = [ask = services_.askOkCancel](const QString& question) {
            return ask(question.toStdString());
        };
    if (!services_.readingsFile.empty()) beltWindow_->openReadingsFile(services_.readingsFile);
    inputHold_->watch(beltWindow_);
    connect(beltWindow_, &BeltWindow::setupChanged, this, [this] {
        // The agreement was of the readings of the set-up before.
        TextAccord->hide();
        showPreciseReading();
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
    if (!TextAccord->isHidden()) TextAccord->setText(beltWindow_->agreementLabel->text());
    showPreciseReading();
}

void Form1::placePreciseReadout() {
    if (!FramePrecise) return;
    // Right-aligned against the gauge, over the high bins where a belt's spectrum is low.
    const QRect gauge = Energie->geometry();
    const QRect spectrum = Im_Spectre->geometry();
    FramePrecise->adjustSize();
    const QSize size = FramePrecise->sizeHint();
    const int right = gauge.left() - kGapPixels;
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
    CommandAutoCalibrate->setGeometry(std::max(spectrum.left(), right - b.width()),
                                      top + size.height() + kGapPixels, b.width(), b.height());
    FramePrecise->raise();
    CommandAutoCalibrate->raise();
}

size_t Form1::recordingBytesWanted() const { return kRecordingReadLimit; }

void Form1::recordingRead(std::span<const uint8_t> file, bool triggered) {
    const std::vector<uint8_t> samples = recordingSamples(file);
    learnNoiseLine(samples.size());
    preciseOfTone_ = calibration_.calibrating();
    const float pas = state.plot.PasFrequence;
    preciseB_ = 0;
    if (preciseOfTone_) {
        preciseHz_ = precise_.tone(samples, pas, calibration_.toneHz());
    } else {
        const std::optional<BeltSetup> setup = beltWindow_->selectedSetup();
        std::optional<TargetHz> target;
        if (const auto range = setup ? targetFrequencies(*setup) : std::nullopt)
            target = TargetHz{range->low, range->high};
        const std::optional<PitchEstimate> e = precise_.belt(samples, pas, target);
        preciseHz_ = e ? std::optional<double>(e->hz) : std::nullopt;
        if (e) preciseB_ = e->inharmonicity;
    }
    // The agreement belongs to triggered readings: a free-running cycle takes it away.
    bool logged = false;
    if (triggered && repeat_.enabled() && !preciseOfTone_) {
        // Only a pluck counts; the decision and its logging are hands-free measuring's.
        logged = repeatTriggered(samples);
    } else if (triggered && *preciseHz_ && !preciseOfTone_) {
        logged = true;
        // The Belt window words and colours the agreement; the read-out repeats it.
        beltWindow_->addReading(**preciseHz_, preciseB_);
        TextAccord->setText(beltWindow_->agreementLabel->text());
        TextAccord->setStyleSheet(beltWindow_->agreementLabel->styleSheet());
    }
    TextAccord->setVisible(logged);
    CommandAutoCalibrate->setVisible(preciseOfTone_);
    if (triggered)
        previousClip_.clear();
    else
        previousClip_ = samples;
    showPreciseReading();
}

void Form1::showPreciseReading() {
    if (!FramePrecise || !preciseHz_) return;
    const std::optional<double> hz = *preciseHz_;
    TextFondamentale->setText(hz ? hertzText(*hz) : fromUtf8(text(kNoClearPitchKey)));
    const QString tone = QString::number(calibration_.toneHz());
    LabelFondamentale->setText(
        preciseOfTone_ ? fromUtf8(text(kToneLabelKey)).replace("%1", tone)
                       : beltFrequencyCaption(text(kBeltFrequencyKey), text(kHarmonicNoteKey)));

    const std::optional<BeltSetup> setup = beltWindow_->selectedSetup();
    QString tension;
    QString stiffness;
    QString colour;
    if (preciseOfTone_) {
        // A tone is no belt: no tension for it, but the way to a scale that reads it
        // exactly. The whole-hertz box cannot: its bins are 5.4 Hz apart.
        tension = fromUtf8(text(kToneHintKey)).replace("%1", tenths(calibration_.toneHz()));
    } else if (!setup) {
        tension = fromUtf8(text(kChooseBeltKey));
    } else if (hz) {
        const Tension t = tensionOf(*setup, *hz, preciseB_);
        stiffness = setup->measuredStiffness
                        ? fromUtf8(text(kMeasuredStiffnessKey)).arg(decimals(preciseB_, 4))
                        : fromUtf8(text(kStiffnessFactorKey)).arg(decimals(setup->factor, 2));
        tension = QString("%1\u00a0N  %2\u00a0kgf  %3\u00a0lbf")
                      .arg(decimals(t.newtons, 0), decimals(t.kgf, 1), decimals(t.lbf, 1));
        const RangeStatus range = rangeStatus(*setup, *hz, preciseB_);
        if (range != RangeStatus::NoTarget)
            colour = range == RangeStatus::Inside ? kInsideColour : kOutsideColour;
    }
    // The hints read as hints, not as measured values.
    const bool measured = setup.has_value() && !preciseOfTone_;
    if (TextTension->font().bold() != measured) {
        QFont f = TextTension->font();
        f.setBold(measured);
        TextTension->setFont(f);
    }
    TextTension->setText(tension);
    TextTension->setVisible(!tension.isEmpty());
    TextStiffness->setText(stiffness);
    TextStiffness->setVisible(!stiffness.isEmpty());
    TextTension->setProperty("rangeColour", colour);
    // A style sheet change restyles the labels: only when the colour changes, not every cycle.
    const QString style = colour.isEmpty() ? QString() : "color: " + colour;
    if (TextTension->styleSheet() != style) {
        TextTension->setStyleSheet(style);
        TextFondamentale->setStyleSheet(style);
    }
    if (preciseOfTone_) TextAccord->hide();
    FramePrecise->show();
    placePreciseReadout();
    showBigReadout();
}

void Form1::CommandAutoCalibrate_Click() {
    const std::vector<uint8_t> samples = readRecordingSamples(services_.recordingPath);
    const int16_t toneHz = calibration_.toneHz();
    const PreciseMeter::AutoCalibration a = precise_.autoCalibrate(
        samples, state.plot.PasFrequence, toneHz, int16_t(HScrollCalibrate->minimum()),
        int16_t(HScrollCalibrate->maximum()));
    if (!a.heardHz) {
        showProblem(text(kNoClearToneKey));
        return;
    }
    if (!a.setting) {
        showProblem(
            fillIn(text(kNotTheToneKey), {toUtf8(tenths(*a.heardHz)), std::to_string(toneHz)}));
        return;
    }
    // Through the slider's own handler, as a hand on the slider would; fine-tuning by
    // hand goes on from there.
    HScrollCalibrate->setValue(a.setting->position);
    if (a.setting->limited) showProblem(text(kSliderEndKey));
}

void Form1::Courroie_Click() {
    if (!beltWindowPlaced_) {
        // On its first showing, beside the main window where it hides neither the
        // precise read-out nor the frequency read-out; afterwards where the user left it.
        beltWindow_->show();
        beltWindowPlaced_ = true;
        const auto onScreen = [](const QWidget* w) {
            const QRect r(w->mapToGlobal(QPoint(0, 0)), w->size());
            return ScreenRect{r.left(), r.top(), r.width(), r.height()};
        };
        std::vector<ScreenRect> readouts = {onScreen(TextCalibrate), onScreen(LabelCalibrate)};
        if (!FramePrecise->isHidden()) readouts.push_back(onScreen(FramePrecise));
        const QRect main = frameGeometry();
        const QRect frame = beltWindow_->frameGeometry();
        const QRect avail = screen()->availableGeometry();
        const ScreenRect at =
            besideWithoutCovering({0, 0, frame.width(), frame.height()},
                                  {main.left(), main.top(), main.width(), main.height()}, readouts,
                                  {avail.left(), avail.top(), avail.width(), avail.height()});
        beltWindow_->move(at.left, at.top);
    }
    beltWindow_->show();
    beltWindow_->raise();
    beltWindow_->activateWindow();
}

}  // namespace vellora
