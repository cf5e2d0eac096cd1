// SPDX-License-Identifier: GPL-3.0-or-later
// Every caption of the Belt window names the control beside it, so a screen reader
// reads "Span (mm)" on the span field and Alt with the caption's mnemonic reaches it.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
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

// Lists and tables do not take the name of their caption: they are given it. The form's
// column widens to its longest caption. Numbers take the new decimal mark.
void BeltWindow::captionsChanged() {
    setupList->setAccessibleName(setupsCaption_->text());
    readingsTable->setAccessibleName(readingsCaption_->text());
    fitFormWidth();
    showDecimalMark();
}

// The numbers shown, typed or logged, follow the language's decimal mark; what is stored
// keeps the point (the checks read both marks).
void BeltWindow::showDecimalMark() {
    const QChar mark = QLocale().decimalPoint().front();
    const QChar other = mark == ',' ? '.' : ',';
    for (auto& [field, f] : fields_)
        if (field != BeltField::Name) f.edit->setText(f.edit->text().replace(other, mark));
    // The rows are written again from the log, so that none keeps the mark of before.
    readingsTable->setRowCount(0);
    for (const Reading& r : log_) showReadingRow(r);
    showEarlier(0, earlierRows_);
    readingsTable->scrollToBottom();
}

// A refused field says why to the screen reader as well as on screen.
void BeltWindow::describeHints() {
    for (auto& [field, f] : fields_)
        f.edit->setAccessibleDescription(f.hint->isHidden() ? QString() : f.hint->text());
}

}  // namespace vellora
