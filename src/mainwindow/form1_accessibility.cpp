// SPDX-License-Identifier: GPL-3.0-or-later
// What a screen reader says of the main window's controls: the captions above the
// boxes and the frequency slider name them; the gain bar, the fine correction and the
// spectrum, which have no caption, get names of their own in the interface language.
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>

#include "common/qt_text.h"
#include "mainwindow/form1.h"
#include "mainwindow/picture_surface.h"

namespace vellora {

namespace {
constexpr int kGainNameKey = 110;
constexpr int kFineCorrectionNameKey = 111;
constexpr int kSpectrumNameKey = 112;
constexpr int kSpectrumKeysKey = 113;  // what the keys do over the spectrum
}  // namespace

void Form1::applyAccessibleTexts() {
    LabelCalibrate->setBuddy(TextCalibrate);
    LabelFrequence->setBuddy(HScrollFrequence);
    LabelEchantillon->setBuddy(TextEchantillon);
    VScrollNiveau->setAccessibleName(fromUtf8(text(kGainNameKey)));
    HScrollCalibrate->setAccessibleName(fromUtf8(text(kFineCorrectionNameKey)));
    Im_Spectre->setAccessibleName(fromUtf8(text(kSpectrumNameKey)));
    Im_Spectre->setAccessibleDescription(fromUtf8(text(kSpectrumKeysKey)));
}

}  // namespace vellora
