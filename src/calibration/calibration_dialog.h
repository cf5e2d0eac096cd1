// SPDX-License-Identifier: GPL-3.0-or-later
// The calibration frequency dialog: a slider from 0 to 5000 Hz, OK writes the tone
// file for the chosen frequency. It remembers its position and the frequency in the
// settings file when it closes. Modeless; closing destroys it. The scroll bar has the
// first focus; a frequency may also be typed into the text box (Return sets it).
#pragma once

#include <QDialog>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "settings/settings_store.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;

namespace vellora {

// What the dialog needs of the program around it.
struct CalibrationDialogHost {
    // The text of `key` in `section` ("CALIBRATION", "FORM1") of the current language.
    std::function<std::string(const char* section, int key)> text;
    // The settings store, one key per call.
    std::function<int32_t(const char* section, const char* key, int32_t fallback)> readInt;
    SettingWriter writeString;
    std::function<void(const std::string& message)> showProblem;
    // OK wrote the tone for a new FrequenceCal: a calibration playing the old one
    // changes to it.
    std::function<void()> toneWritten;
    int16_t* frequenceCal = nullptr;  // the main window's calibration frequency
    std::filesystem::path toneFolder = ".";
};

class FormCalibration : public QDialog {
  public:
    FormCalibration(CalibrationDialogHost host, QWidget* owner);

    // The CALIBRATION texts: title, Label1, CommandOK, CommandExit.
    void applyTexts();

    QLabel* Label1 = nullptr;
    QLineEdit* TextCalibration = nullptr;
    QScrollBar* HScrollCalibration = nullptr;
    QPushButton* CommandOK = nullptr;
    QPushButton* CommandExit = nullptr;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Form_Load();
    void hscrollcalibration_change();
    void applyTypedFrequency();
    void showTypedRule(bool refused);
    void placeControls();
    void CommandOK_Click();
    void CommandExit_Click();
    void Form_Unload();
    double twipsPerPixel() const;

    CalibrationDialogHost host_;
    bool unloading_ = false;
};

}  // namespace vellora
