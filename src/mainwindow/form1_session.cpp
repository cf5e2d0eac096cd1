// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up and shut-down of the main window: first values, the settings file, the
// language; and on leaving, the sound devices released and the settings written.
#include <QApplication>
#include <QCloseEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "common/numeric.h"
#include "common/qt_text.h"
#include "common/screen_area.h"
#include "common/window_placement.h"
#include "mainwindow/form1.h"
#include "settings/settings_store.h"

namespace vellora {

namespace {

constexpr const char* kPositions = kPositionsSection;
constexpr const char* kSettings = kSettingsSection;
constexpr int16_t kDefaultFrequencyCount = kDefaultNbFrequencesAffichees;
// The smallest client area that shows every control: the panel's five 1800-twip
// columns side by side, and above the 1500 twips of the panel room for the gauge.
constexpr double kSmallestClientWidth = 9000;
constexpr double kSmallestClientHeight = 3000;

// Half the span of a scroll bar's range, in single precision, ties to even.
int32_t halfSpan(const QScrollBar* bar) {
    const float span = float(bar->maximum() - bar->minimum()) / 2.0f;
    return int32_t(roundHalfEven(span));
}

// A stored value that does not fit 16 bits is replaced by the key's default; one
// outside the range of what receives it, by the nearest end of that range.
int16_t sixteenBits(int32_t stored, int32_t fallback, int32_t low, int32_t high) {
    return checkSixteenBits(stored, int16_t(fallback), ControlRange{low, high}).value;
}

}  // namespace

int16_t Form1::readScrollPosition(const char* key, int32_t fallback, const QScrollBar* bar) {
    return sixteenBits(readSetting(kSettings, key, fallback), fallback, bar->minimum(),
                       bar->maximum());
}

void Form1::readWindowGeometry() {
    const double tpp = twipsPerPixel();
    const int32_t top = readSetting(kPositions, kKeyTop, kDefaultTop);
    const int32_t left = readSetting(kPositions, kKeyLeft, kDefaultLeft);
    const int32_t height = readSetting(kPositions, kKeyHeight, kDefaultHeight);
    const int32_t width = readSetting(kPositions, kKeyWidth, kDefaultWidth);
    PlacementLimits limits;
    limits.available = availableAreaAt(*this, left / tpp, top / tpp);
    setFrameOf(*this, limits);
    limits.minimumWidth = int(std::ceil(kSmallestClientWidth / tpp));
    limits.minimumHeight =
        int(std::ceil(kSmallestClientHeight / tpp)) + menuBar()->sizeHint().height();
    // The design size (no settings yet) shrinks as a whole to fit a small screen.
    limits.keepProportions = width == kDefaultWidth && height == kDefaultHeight;
    const PixelRect placed = placeOnScreen({left, top, width, height}, tpp, limits);
    move(placed.left, placed.top);
    resize(placed.width, placed.height);
}

void Form1::Form_Load() {
    VScrollNiveau->setValue(kStartNiveau);
    HScrollFrequence->setValue(kDefaultFrequencyCount);
    state.plot.NbFrequencesAffichees = kDefaultFrequencyCount;
    state.plot.PasFrequence = kDefaultPasFrequence;
    state.noise.ModeBruit = false;
    state.PremiereCalibration = true;

    readWindowGeometry();
    auto readInt = [this](const char* key, int32_t fallback) {
        return readSetting(kSettings, key, fallback);
    };
    state.plot.Amplification = checkSixteenBits(readInt(kKeyAmplification, kDefaultAmplification),
                                                kDefaultAmplification, kSixteenBits)
                                   .value;
    state.plot.NbFrequencesAffichees = sixteenBits(
        readInt(kKeyNbFrequencesAffichees, kDefaultFrequencyCount), kDefaultFrequencyCount,
        HScrollFrequence->minimum(), HScrollFrequence->maximum());
    HScrollCalibrate->setValue(
        readScrollPosition(kKeyAjustement, halfSpan(HScrollCalibrate), HScrollCalibrate));
    VScrollNiveau->setValue(readScrollPosition(kKeyNiveau, halfSpan(VScrollNiveau), VScrollNiveau));
    state.noise.NiveauBruit = readInt(kKeyNiveauBruit, kDefaultNiveauBruit);
    state.FrequenceCal = checkSixteenBits(readInt(kKeyCalibration, kDefaultCalibration),
                                          kDefaultCalibration, kCalibrationRange)
                             .value;
    TextEchantillon->setText(QString::number(readInt(kKeyNbEchantillons, kDefaultNbEchantillons)));
    HScrollFrequence->setValue(state.plot.NbFrequencesAffichees);
    readRepeatSettings();

    const std::string name =
        readSettingText(kSettings, kKeyLangue, kDefaultLangue, int(kLangueBufferSize));
    ApplyLanguage(name);
}

void Form1::writeSettings() {
    const double tpp = twipsPerPixel();
    auto twips = [tpp](int pixels) { return std::to_string(std::lround(pixels * tpp)); };
    const QPoint at = frameGeometry().topLeft();
    Status saved;
    auto write = [&](const char* section, const char* key, const std::string& v) {
        saved += services_.writeString(section, key, v);
    };
    write(kPositions, kKeyLeft, twips(at.x()));
    write(kPositions, kKeyTop, twips(at.y()));
    write(kPositions, kKeyHeight, twips(height()));
    write(kPositions, kKeyWidth, twips(width()));
    write(kSettings, kKeyAmplification, std::to_string(state.plot.Amplification));
    write(kSettings, kKeyNbFrequencesAffichees, std::to_string(state.plot.NbFrequencesAffichees));
    write(kSettings, kKeyAjustement, std::to_string(HScrollCalibrate->value()));
    write(kSettings, kKeyNiveau, std::to_string(VScrollNiveau->value()));
    write(kSettings, kKeyNiveauBruit, std::to_string(state.noise.NiveauBruit));
    write(kSettings, kKeyNbEchantillons, toUtf8(TextEchantillon->text()));
    if (!saved) showProblem(saved.message());  // once, whichever keys failed
}

void Form1::form_unload() {
    if (unloaded_) return;
    unloaded_ = true;
    state.MesureEnCours = false;
    endPause();
    releaseSound();
    writeSettings();
    closeOtherWindows();
    endProgram();
}

void Form1::closeEvent(QCloseEvent* event) {
    form_unload();
    event->accept();
}

void Form1::CommandExit_Click() {
    state.MesureEnCours = false;
    stopSound();
    close();
}

void Form1::Fermer_Click() { CommandExit_Click(); }

}  // namespace vellora
