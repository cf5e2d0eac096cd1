#include "calibration/calibration_dialog.h"
#include "common/qt_text.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <cmath>
#include <system_error>

#include "calibration/calibration_run.h"
#include "calibration/calibration_tone.h"
#include "common/numeric.h"
#include "common/screen_area.h"
#include "common/twips.h"
#include "settings/settings_store.h"

namespace vellora {

namespace {

// Design geometry in twips (1/1440 inch).
constexpr int kClientWidth = 5115;
constexpr int kClientHeight = 2505;
constexpr int kFrameWidth = 5235 - kClientWidth;    // borders
constexpr int kFrameHeight = 3015 - kClientHeight;  // borders and title bar
constexpr int kDefaultOuterWidth = kDefaultCalWidth;
constexpr int kDefaultOuterHeight = kDefaultCalHeight;

}  // namespace

FormCalibration::FormCalibration(CalibrationDialogHost host, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      host_(std::move(host)) {
    setObjectName("FormCalibration");
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);

    const double tpp = twipsPerPixel();
    auto place = [tpp](QWidget* w, int left, int top, int width, int height) {
        w->setGeometry(int(left / tpp), int(top / tpp), int(width / tpp), int(height / tpp));
    };
    HScrollCalibration = new QScrollBar(Qt::Horizontal, this);
    HScrollCalibration->setObjectName("HScrollCalibration");
    HScrollCalibration->setRange(0, 5000);
    HScrollCalibration->setValue(0);
    HScrollCalibration->setSingleStep(1);
    HScrollCalibration->setPageStep(1);
    place(HScrollCalibration, 600, 1320, 3855, 375);
    CommandOK = new QPushButton(this);
    CommandOK->setObjectName("CommandOK");
    place(CommandOK, 600, 1920, 1455, 375);
    CommandExit = new QPushButton(this);
    CommandExit->setObjectName("CommandExit");
    place(CommandExit, 3000, 1920, 1455, 375);
    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    Label1->setAlignment(Qt::AlignCenter);
    place(Label1, 840, 480, 3375, 375);
    TextCalibration = new QLineEdit(this);
    TextCalibration->setObjectName("TextCalibration");
    TextCalibration->setAlignment(Qt::AlignCenter);
    // Nothing reads the box back: typing into it would only mislead.
    TextCalibration->setReadOnly(true);
    place(TextCalibration, 840, 840, 3375, 375);

    setTabOrder(HScrollCalibration, CommandOK);
    setTabOrder(CommandOK, CommandExit);
    setTabOrder(CommandExit, TextCalibration);

    connect(HScrollCalibration, &QScrollBar::valueChanged, this,
            &FormCalibration::hscrollcalibration_change);
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
    host_.writeString(kPositionsSection, kKeyCalLeft, twips(frame.x()));
    host_.writeString(kPositionsSection, kKeyCalTop, twips(frame.y()));
    host_.writeString(kPositionsSection, kKeyCalHeight,
                      std::to_string(toInt32Saturated(height() * tpp) + kFrameHeight));
    host_.writeString(kPositionsSection, kKeyCalWidth,
                      std::to_string(toInt32Saturated(width() * tpp) + kFrameWidth));
    host_.writeString(kSettingsSection, kKeyCalibration,
                      std::to_string(HScrollCalibration->value()));
}

}  // namespace vellora
