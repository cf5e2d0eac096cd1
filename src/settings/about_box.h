// SPDX-License-Identifier: GPL-3.0-or-later
// The about box: the program's icon, title, version and credits, its texts from the
// ABOUT section of the current language file. Modeless; closing it destroys it, and
// the owner creates a fresh one when it is next needed.
#pragma once

#include <QDialog>
#include <QIcon>
#include <functional>
#include <string>

#include "common/version.h"

class QLabel;
class QPushButton;

namespace vellora {

inline constexpr const char* kApplicationTitle = "Vellora";
inline constexpr const char* kApplicationVersion = kVersion;

class frmAbout : public QDialog {
  public:
    // lookup(key): the text of ABOUT `key` in the current language.
    explicit frmAbout(std::function<std::string(int)> lookup);

    // Puts the ABOUT texts on the window: title = text 1 + "Vellora", version = text 2
    // + the version, then texts 3 to 6. Called on creation and on every language change.
    void applyTexts();

    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* LblAuteur = nullptr;
    QLabel* lblDescription = nullptr;
    QLabel* lblDisclaimer = nullptr;
    QPushButton* cmdOK = nullptr;

  private:
    void Form_Load();
    void cmdOK_Click();
    void fitToTexts();

    std::function<std::string(int)> lookup_;
};

// The program's icon: the installed one from the icon theme, in every size it holds,
// else the one built in.
QIcon programIcon();

}  // namespace vellora
