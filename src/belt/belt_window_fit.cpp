// SPDX-License-Identifier: GPL-3.0-or-later
// The Belt window on small screens: the set-up form scrolls inside its column, the
// readings and their buttons stay in view beside it, and the window never grows by
// itself. It opens at its natural size or the screen's, whichever is smaller.
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableWidget>

#include "belt/belt_window.h"
#include "common/screen_area.h"

namespace vellora {

QWidget* BeltWindow::scrolledForm(QWidget* form) {
    formScroll_ = new QScrollArea(this);
    formScroll_->setObjectName("formScroll");
    formScroll_->setFrameShape(QFrame::NoFrame);
    // Not a stop of its own: Tab goes through the fields and scrolls them into view.
    formScroll_->setFocusPolicy(Qt::NoFocus);
    formScroll_->setWidgetResizable(true);
    // Hints wrap to the column's width instead of widening it.
    formScroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    formScroll_->setWidget(form);
    return formScroll_;
}

void BeltWindow::fitFormWidth() {
    QWidget* form = formScroll_->widget();
    form->layout()->activate();
    formScroll_->setMinimumWidth(form->minimumSizeHint().width() +
                                 formScroll_->verticalScrollBar()->sizeHint().width());
}

void BeltWindow::fitReadings() {
    // The time on one line, each column as wide as what it holds.
    readingsTable->setWordWrap(false);
    readingsTable->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    readingsTable->horizontalHeader()->setStretchLastSection(true);
    for (QLabel* line : {lastReadingLabel, agreementLabel}) line->setWordWrap(true);
}

void BeltWindow::fitScreen() {
    const PixelRect area = availableAreaAt(*this, x(), y());
    QSize natural = sizeHint();
    natural.setHeight(std::max(natural.height(), formScroll_->widget()->sizeHint().height()));
    // The window frame: a title bar and borders of usual size.
    constexpr int kFrameAllowance = 40;
    resize(natural.boundedTo(QSize(area.width, area.height - kFrameAllowance)));
}

// What used to grow the window now brings the first shown hint into view.
void BeltWindow::showFirstHint() {
    for (auto& [field, f] : fields_)
        if (!f.hint->isHidden()) {
            formScroll_->ensureWidgetVisible(f.edit);
            formScroll_->ensureWidgetVisible(f.hint);
            return;
        }
    if (!setupProblemLabel->isHidden()) formScroll_->ensureWidgetVisible(setupProblemLabel);
}

}  // namespace vellora
