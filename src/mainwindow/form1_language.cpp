// SPDX-License-Identifier: GPL-3.0-or-later
// Captions from the language file, the language menu, the help and the about box.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include "common/qt_text.h"
#include "common/version.h"
#include "mainwindow/form1.h"
#include "mainwindow/input_hold.h"
#include "settings/chelp.h"
#include "settings/language_names.h"
#include "settings/qt_translations.h"
#include "settings/settings_store.h"

namespace vellora {

namespace {
constexpr const char* kForm1 = "FORM1";
constexpr int kHelpNotFoundKey = 35;
constexpr int kScaleMenuKey = 61;
}  // namespace

FormCalibration& Form1::ensureCalibrationDialog() {
    if (!calibrationDialog_) {
        CalibrationDialogHost host;
        host.text = [this](const char* section, int key) { return languageText(section, key); };
        host.readInt = services_.readInt ? services_.readInt
                                         : [](const char*, const char*, int32_t d) { return d; };
        host.writeString = services_.writeString ? services_.writeString
                                                 : [](const char*, const char*,
                                                      const std::string&) { return Status(); };
        host.showProblem = [this](const std::string& m) { showProblem(m); };
        host.toneWritten = [this] { calibrationToneWritten(); };
        host.frequenceCal = &state.FrequenceCal;
        host.toneFolder = toneFolder();
        calibrationDialog_ = new FormCalibration(std::move(host), this);
        holdInputWhileShown(calibrationDialog_);
    }
    return *calibrationDialog_;
}

frmAbout& Form1::ensureAboutBox() {
    if (!aboutBox_)
        aboutBox_ = new frmAbout([this](int key) { return languageText("ABOUT", key); });
    return *aboutBox_;
}

void Form1::applyForm1Captions() {
    auto t = [this](int key) { return fromUtf8(languageText(kForm1, key)); };
    setWindowTitle(fromUtf8(fillIn(languageText(kForm1, 1), {kVersion})));
    Aide->setTitle(t(2));
    APropo->setText(t(3));
    Calibration->setTitle(t(4));
    ChoixFrequence->setText(t(5));
    CommandAnalyse->setText(t(6));
    CommandBruit->setText(t(7));
    CommandCalibrate->setText(t(8));
    CommandExit->setText(t(9));
    CommandRun->setText(t(10));
    Fermer->setText(t(11));
    Fichier->setTitle(t(12));
    Help->setText(t(13));
    LabelCalibrate->setText(t(14));
    LabelEchantillon->setText(t(15));
    LabelFrequence->setText(t(16));
    Langue->setTitle(t(17));
    MenuEnergie->setTitle(t(18));
    Options->setTitle(t(19));
    TextCalibrate->setText(t(20));
    Visibles->setText(t(21));
    VisibleEchelle->setText(t(kScaleMenuKey));
}

void Form1::ApplyLanguage(const std::string& name) {
    useLanguageFile(name);
    QtTranslations::shared().use(name);
    applyForm1Captions();
    // Both are created hidden when missing; creating them puts their texts on them.
    frmAbout& about = ensureAboutBox();
    about.applyTexts();
    ensureCalibrationDialog().applyTexts();
    applyPreciseCaptions();
    applyAccessibleTexts();
    applyRepeatCaptions();
    updateFrequencyScale();
    // Captions changed width: the centred ones are fitted again.
    relayout();
}

void Form1::Anglais_Click() {
    writeSetting(kSettingsSection, kKeyLangue, kEnglishLanguage);
    Francais->setChecked(false);
    Anglais->setChecked(true);
    ApplyLanguage(kEnglishLanguage);
}

void Form1::Francais_Click() {
    writeSetting(kSettingsSection, kKeyLangue, kFrenchLanguage);
    Anglais->setChecked(false);
    Francais->setChecked(true);
    ApplyLanguage(kFrenchLanguage);
}

void Form1::Help_Click() {
    if (!openHelpOfLanguage()) showProblem(text(kHelpNotFoundKey));
}

// The other windows go without their own unload steps: the frequency dialog does not
// store its position or an unconfirmed frequency.
void Form1::closeOtherWindows() {
    delete calibrationDialog_.data();
    delete aboutBox_.data();
}

void Form1::APropo_Click() {
    frmAbout& about = ensureAboutBox();
    about.show();
    about.raise();
    about.activateWindow();
}

}  // namespace vellora
