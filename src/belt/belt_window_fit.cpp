// SPDX-License-Identifier: GPL-3.0-or-later
// The Belt window on small screens: the set-up form scrolls inside its column, the
// readings and their buttons stay in view beside it, and the window never grows by
// itself. It opens at its natural size or the screen's, whichever is smaller. Narrower
// than both columns (a 640-pixel screen), the readings go below the form and the window
// scrolls, so no control is cut or laid over another.
#include <QApplication>
#include <QBoxLayout>
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

QWidget* BeltWindow::scrolledColumns(QWidget* form, QWidget* readings) {
    auto* content = new QWidget;
    columns_ = new QBoxLayout(QBoxLayout::LeftToRight, content);
    columns_->addWidget(form, 0);
    columns_->addWidget(readings, 1);
    readingsBox_ = readings;
    windowScroll_ = new QScrollArea(this);
    windowScroll_->setObjectName("windowScroll");
    windowScroll_->setFrameShape(QFrame::NoFrame);
    windowScroll_->setFocusPolicy(Qt::NoFocus);
    windowScroll_->setWidgetResizable(true);
    windowScroll_->setWidget(content);
    // A column that widens (a longer last reading, a hint) may no longer fit beside the other.
    content->installEventFilter(this);
    // The control given the focus is scrolled into view by both areas, whichever way it
    // came: a scroll area follows Tab only among its own children.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (!now || !isAncestorOf(now)) return;
        if (formScroll_->widget()->isAncestorOf(now)) formScroll_->ensureWidgetVisible(now, 8, 8);
        windowScroll_->ensureWidgetVisible(now, 8, 8);
    });
    return windowScroll_;
}

int BeltWindow::sideBySideWidth() const {
    const QMargins m = columns_->contentsMargins();
    return formScroll_->minimumWidth() + columns_->spacing() +
           readingsBox_->minimumSizeHint().width() + m.left() + m.right();
}

void BeltWindow::reflow() {
    const int sideBySide = sideBySideWidth();
    // The window's width, not the viewport's, decides: a vertical scroll bar appearing
    // with the stacked columns must not flip them back.
    const bool stacked = width() < sideBySide;
    const auto direction = stacked ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight;
    if (columns_->direction() == direction) return;
    columns_->setDirection(direction);
    // Stacked, the form and the readings share the height.
    columns_->setStretch(0, stacked ? 1 : 0);
}

bool BeltWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == windowScroll_->widget() && event->type() == QEvent::LayoutRequest) reflow();
    return QWidget::eventFilter(watched, event);
}

// The first size once the style has given every control its real size, in the language
// the window opens in -- unless a size was given meanwhile; afterwards the user's.
void BeltWindow::showEvent(QShowEvent* event) {
    if (!shownOnce_) {
        shownOnce_ = true;
        if (size() == fitted_) fitScreen();
    }
    QWidget::showEvent(event);
}

void BeltWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    reflow();
}

void BeltWindow::fitFormWidth() {
    QWidget* form = formScroll_->widget();
    form->layout()->activate();
    formScroll_->setMinimumWidth(form->minimumSizeHint().width() +
                                 formScroll_->verticalScrollBar()->sizeHint().width());
    reflow();
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
    // The content's own wish, side by side: a scroll area's hint is capped at a few
    // hundred pixels. The size given then decides how the columns lie.
    columns_->setDirection(QBoxLayout::LeftToRight);
    columns_->setStretch(0, 0);
    QSize natural = windowScroll_->widget()->sizeHint();
    // Wide enough for the columns side by side, which the hint alone may miss.
    natural.setWidth(std::max(natural.width(), sideBySideWidth()));
    natural.setHeight(std::max(natural.height(), formScroll_->widget()->sizeHint().height()));
    // The window frame: a title bar and borders of usual size.
    constexpr int kFrameAllowance = 40;
    resize(natural.boundedTo(QSize(area.width, area.height - kFrameAllowance)));
    fitted_ = size();
    reflow();
}

// What used to grow the window now brings the first shown hint into view.
void BeltWindow::showFirstHint() {
    for (auto& [field, f] : fields_)
        if (!f.hint->isHidden()) {
            for (QScrollArea* scroll : {formScroll_, windowScroll_}) {
                scroll->ensureWidgetVisible(f.edit);
                scroll->ensureWidgetVisible(f.hint);
            }
            return;
        }
    if (!setupProblemLabel->isHidden())
        for (QScrollArea* scroll : {formScroll_, windowScroll_})
            scroll->ensureWidgetVisible(setupProblemLabel);
}

}  // namespace vellora
