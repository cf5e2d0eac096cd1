// SPDX-License-Identifier: GPL-3.0-or-later
#include "calibration/calibration_dialog.h"
#include "common/qt_text.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <cmath>
#include <system_error>

#include "calibration/calibration_run.h"
#include "calibration/calibration_tone.h"
#include "calibration/typed_frequency.h"
#include "common/caption_fit.h"
#include "common/focus_mark.h"
#include "common/numeric.h"
#include "common/screen_area.h"
#include "common/scroll_keys.h"
#include "common/twips.h"

namespace vellora {

namespace {

// Design geometry in twips (1/1440 inch).
constexpr int kClientWidth = 5115;
constexpr int kClientHeight = 2505;
constexpr int kFrameWidth = 5235 - kClientWidth;    // borders
constexpr int kFrameHeight = 3015 - kClientHeight;  // borders and title bar
constexpr int kDefaultOuterWidth = kDefaultCalWidth;
constexpr int kDefaultOuterHeight = kDefaultCalHeight;
constexpr int kCaptionMargin = 120;  // kept clear at each side of the label
constexpr int kPageStepHz = 10;
constexpr int kFrequencyNameKey = 5;  // what a screen reader calls the typed frequency
constexpr int kTypedRuleKey = 6;      // "%1" and "%2": the lowest and highest frequency
constexpr char kRuleStyle[] = "color: #c62828;";

}  // namespace

FormCalibration::FormCalibration(CalibrationDialogHost host, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      host_(std::move(host)) {
    setObjectName("FormCalibration");
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);

    HScrollCalibration = new QScrollBar(Qt::Horizontal, this);
    HScrollCalibration->setObjectName("HScrollCalibration");
    HScrollCalibration->setRange(kCalibrationRange.minimum, kCalibrationRange.maximum);
    HScrollCalibration->setValue(0);
    // The arrows move by 1 Hz; Page Up and Page Down and the trough by 10 Hz, so that
    // 800 Hz is a few presses away.
    HScrollCalibration->setSingleStep(1);
    HScrollCalibration->setPageStep(kPageStepHz);
    HScrollCalibration->setFocusPolicy(Qt::StrongFocus);
    setArrowKeys(*HScrollCalibration);
    CommandOK = new QPushButton(this);
    CommandOK->setObjectName("CommandOK");
    CommandExit = new QPushButton(this);
    CommandExit->setObjectName("CommandExit");
    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    Label1->setAlignment(Qt::AlignCenter);
    TextCalibration = new QLineEdit(this);
    TextCalibration->setObjectName("TextCalibration");
    TextCalibration->setAlignment(Qt::AlignCenter);
    // A frequency typed here and confirmed with Return (or by leaving the box) moves the
    // scroll bar; Return there does not press OK.
    TextCalibration->installEventFilter(this);

    // The scroll bar is the first stop and has the focus when the dialog opens.
    setTabOrder(HScrollCalibration, CommandOK);
    setTabOrder(CommandOK, CommandExit);
    setTabOrder(CommandExit, TextCalibration);
    HScrollCalibration->setFocus();
    (new FocusMark(this))->mark(HScrollCalibration);

    connect(HScrollCalibration, &QScrollBar::valueChanged, this,
            &FormCalibration::hscrollcalibration_change);
    connect(HScrollCalibration, &QScrollBar::valueChanged, this, [this] { showTypedRule(false); });
    connect(CommandOK, &QPushButton::clicked, this, &FormCalibration::CommandOK_Click);
    connect(CommandExit, &QPushButton::clicked, this, &FormCalibration::CommandExit_Click);

    applyTexts();
    Form_Load();
}

double FormCalibration::twipsPerPixel() const { return twipsPerPixelOf(*this); }

void FormCalibration::applyTexts() {
    setWindowTitle(fromUtf8(host_.text("CALIBRATION", 1)));
    Label1->setText(fromUtf8(host_.text("CALIBRATION", 2)));
    CommandOK->setText(fromUtf8(host_.text("CALIBRATION", 3)));
    CommandExit->setText(fromUtf8(host_.text("CALIBRATION", 4)));
    HScrollCalibration->setAccessibleName(Label1->text());
    TextCalibration->setAccessibleName(fromUtf8(host_.text("CALIBRATION", kFrequencyNameKey)));
    showTypedRule(false);
}

void FormCalibration::placeControls() {
    const double tpp = twipsPerPixel();
    auto place = [tpp](QWidget* w, int left, int top, int width, int height) {
        w->setGeometry(int(left / tpp), int(top / tpp), int(width / tpp), int(height / tpp));
    };
    place(HScrollCalibration, 600, 1320, 3855, 375);
    place(CommandOK, 600, 1920, 1455, 375);
    place(CommandExit, 3000, 1920, 1455, 375);
    place(Label1, 840, 480, 3375, 375);
    place(TextCalibration, 840, 840, 3375, 375);
    // Captions wider than drawn spread evenly: the label across the dialog less its
    // margin, each button over the margin beside it and half the gap between them, so
    // nothing meets; a smaller font beyond that.
    fitCentredCaption(*Label1, int((kClientWidth - 2 * kCaptionMargin) / tpp));
    fitCentredCaption(*CommandOK, int((1455 + 600) / tpp));
    fitCentredCaption(*CommandExit, int((1455 + 600) / tpp));
}

void FormCalibration::Form_Load() {
    HScrollCalibration->setValue(*host_.frequenceCal);
    TextCalibration->setText(QString::number(HScrollCalibration->value()) + " Hz");
    const int32_t top = host_.readInt(kPositionsSection, kKeyCalTop, kDefaultCalTop);
    const int32_t left = host_.readInt(kPositionsSection, kKeyCalLeft, kDefaultCalLeft);
    const int32_t height = host_.readInt(kPositionsSection, kKeyCalHeight, kDefaultOuterHeight);
    const int32_t width = host_.readInt(kPositionsSection, kKeyCalWidth, kDefaultOuterWidth);
    const double tpp = twipsPerPixel();
    // The border is fixed: the stored outer size less it sets the client area, never
    // below the design size so that every control stays visible, nor beyond the screen.
    PlacementLimits limits;
    limits.available = availableAreaAt(*this, left / tpp, top / tpp);
    setFrameOf(*this, limits);
    limits.minimumWidth = int(std::ceil(kClientWidth / tpp));
    limits.minimumHeight = int(std::ceil(kClientHeight / tpp));
    const PixelRect placed = placeOnScreen(
        {left, top, int64_t(width) - kFrameWidth, int64_t(height) - kFrameHeight}, tpp, limits);
    setFixedSize(placed.width, placed.height);
    move(placed.left, placed.top);
}

void FormCalibration::hscrollcalibration_change() {
    TextCalibration->setText(QString::number(HScrollCalibration->value()) + " Hz");
}

void FormCalibration::applyTypedFrequency() {
    const std::optional<int> typed =
        parseTypedFrequency(toUtf8(TextCalibration->text()), HScrollCalibration->minimum(),
                            HScrollCalibration->maximum());
    if (!typed) {
        QApplication::beep();
    } else {
        HScrollCalibration->setValue(*typed);
    }
    showTypedRule(!typed);
    // Shown as the scroll bar's own text again: the typed one, or back to the one kept.
    hscrollcalibration_change();
    if (!typed) TextCalibration->selectAll();
}

// A refused frequency is answered with the rule in place of the label, in red, until a
// frequency is taken.
void FormCalibration::showTypedRule(bool refused) {
    const QString rule = fromUtf8(host_.text("CALIBRATION", kTypedRuleKey))
                             .arg(HScrollCalibration->minimum())
                             .arg(HScrollCalibration->maximum());
    Label1->setText(refused ? rule : fromUtf8(host_.text("CALIBRATION", 2)));
    Label1->setStyleSheet(refused ? kRuleStyle : "");
    TextCalibration->setAccessibleDescription(refused ? rule : QString());
    placeControls();
}

bool FormCalibration::eventFilter(QObject* watched, QEvent* event) {
    if (watched == TextCalibration) {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                applyTypedFrequency();
                return true;
            }
        } else if (event->type() == QEvent::FocusOut && TextCalibration->isModified()) {
            TextCalibration->setModified(false);
            applyTypedFrequency();
        }
    }
    return QDialog::eventFilter(watched, event);
}

// Escape leaves as the close box does, through the unload steps, so the position and
// the frequency are kept; QDialog would only hide the dialog.
void FormCalibration::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QDialog::keyPressEvent(event);
}

void FormCalibration::CommandOK_Click() {
    const auto frequency = static_cast<int16_t>(HScrollCalibration->value());
    const Status written = WriteCalibrationTone(frequency, *host_.frequenceCal, host_.toneFolder);
    if (!written) {
        // Stay open: the user sees why and can choose again or leave with the second button.
        std::error_code ec;
        const auto file = std::filesystem::absolute(host_.toneFolder / kCalibrationToneFile, ec)
                              .lexically_normal();
        host_.showProblem(fillIn(host_.text("FORM1", kToneFileKey), {file.string()}) + " (" +
                          written.message() + ")");
        return;
    }
    if (host_.toneWritten) host_.toneWritten();
    close();
}

void FormCalibration::CommandExit_Click() { close(); }

void FormCalibration::closeEvent(QCloseEvent* event) {
    Form_Unload();
    QDialog::closeEvent(event);
}

void FormCalibration::Form_Unload() {
    if (unloading_) return;
    unloading_ = true;
    const double tpp = twipsPerPixel();
    const QRect frame = frameGeometry();
    auto twips = [tpp](int pixels) { return std::to_string(toInt32Saturated(pixels * tpp)); };
    Status saved;
    saved += host_.writeString(kPositionsSection, kKeyCalLeft, twips(frame.x()));
    saved += host_.writeString(kPositionsSection, kKeyCalTop, twips(frame.y()));
    saved += host_.writeString(kPositionsSection, kKeyCalHeight,
                               std::to_string(toInt32Saturated(height() * tpp) + kFrameHeight));
    saved += host_.writeString(kPositionsSection, kKeyCalWidth,
                               std::to_string(toInt32Saturated(width() * tpp) + kFrameWidth));
    saved += host_.writeString(kSettingsSection, kKeyCalibration,
                               std::to_string(HScrollCalibration->value()));
    if (!saved && host_.showProblem) host_.showProblem(saved.message());
}

}  // namespace vellora
