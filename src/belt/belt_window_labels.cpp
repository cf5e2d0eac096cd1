// SPDX-License-Identifier: GPL-3.0-or-later
// Every caption of the Belt window names the control beside it, so a screen reader
// reads "Span (mm)" on the span field and Alt with the caption's mnemonic reaches it.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTableWidget>

#include "belt/belt_window.h"

namespace vellora {

void BeltWindow::linkCaptions() {
    for (auto& [field, f] : fields_) f.caption->setBuddy(f.edit);
    setupsCaption_->setBuddy(setupList);
    massCaption_->setBuddy(perMetre);
    spanCaption_->setBuddy(spanDirect);
    targetCaption_->setBuddy(target);
    unitCaption_->setBuddy(unitChoice);
    readingsCaption_->setBuddy(readingsTable);
}

// Lists and tables do not take the name of their caption: they are given it.
void BeltWindow::nameViews() {
    setupList->setAccessibleName(setupsCaption_->text());
    readingsTable->setAccessibleName(readingsCaption_->text());
}

// A refused field says why to the screen reader as well as on screen.
void BeltWindow::describeHints() {
    for (auto& [field, f] : fields_)
        f.edit->setAccessibleDescription(f.hint->isHidden() ? QString() : f.hint->text());
}

}  // namespace vellora
