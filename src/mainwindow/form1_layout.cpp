// SPDX-License-Identifier: GPL-3.0-or-later
// Applying the layout pass to the widgets: twips to the screen's logical pixels, on
// every resize of the client area and every change of the window's state.
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <algorithm>
#include <cmath>
#include <initializer_list>

#include "common/caption_fit.h"
#include "common/twips.h"
#include "mainwindow/form1.h"
#include "mainwindow/picture_surface.h"

namespace vellora {

namespace {

constexpr int32_t kDesignBorderTwips = 120;

int toPixels(int32_t twips, double tpp) { return int(std::lround(twips / tpp)); }

void place(QWidget* w, const TwipsRect& r, double tpp) {
    // Edges are rounded, not sizes, so neighbours that touch in twips touch on screen.
    const int left = toPixels(r.left, tpp);
    const int top = toPixels(r.top, tpp);
    w->setGeometry(left, top, toPixels(r.left + r.width, tpp) - left,
                   toPixels(r.top + r.height, tpp) - top);
}

// Column 2's three buttons read as one stack: the same width and the same font.
void matchStack(std::initializer_list<QWidget*> stack) {
    int width = 0;
    QFont smallest = (*stack.begin())->font();
    for (QWidget* w : stack) {
        width = std::max(width, w->width());
        if (w->font().pointSizeF() < smallest.pointSizeF()) smallest = w->font();
    }
    for (QWidget* w : stack) {
        if (w->font().pointSizeF() != smallest.pointSizeF()) w->setFont(smallest);
        const QRect r = w->geometry();
        w->setGeometry(r.center().x() - (width - 1) / 2, r.top(), width, r.height());
    }
}

}  // namespace

double Form1::twipsPerPixel() const { return twipsPerPixelOf(*this); }

void Form1::applyGeometry(const FormGeometry& g) {
    const double tpp = twipsPerPixel();
    place(Frame1, g.Frame1, tpp);
    place(Energie, g.Energie, tpp);
    place(VScrollNiveau, g.VScrollNiveau, tpp);
    place(Im_Spectre, g.Im_Spectre, tpp);
    place(Frame2, g.Frame2, tpp);
    place(CommandRun, g.CommandRun, tpp);
    place(CommandCalibrate, g.CommandCalibrate, tpp);
    place(CommandBruit, g.CommandBruit, tpp);
    place(CommandAnalyse, g.CommandAnalyse, tpp);
    place(ShapeFrequence, g.ShapeFrequence, tpp);
    place(LabelCalibrate, g.LabelCalibrate, tpp);
    place(TextCalibrate, g.TextCalibrate, tpp);
    place(HScrollCalibrate, g.HScrollCalibrate, tpp);
    place(LabelFrequence, g.LabelFrequence, tpp);
    place(HScrollFrequence, g.HScrollFrequence, tpp);
    place(LabelEchantillon, g.LabelEchantillon, tpp);
    place(TextEchantillon, g.TextEchantillon, tpp);
    place(CommandExit, g.CommandExit, tpp);
    // A centred caption may spread over half the column gap on each side and no
    // further, so neighbours never meet; what still does not fit gets a smaller font
    // (labels are elided as a last resort, below 640 pixels).
    const int room = std::max(0, toPixels(g.CommandRun.width + g.CommandRun.left, tpp) - 2);
    for (QWidget* w : {static_cast<QWidget*>(LabelCalibrate), static_cast<QWidget*>(LabelFrequence),
                       static_cast<QWidget*>(CommandRun), static_cast<QWidget*>(CommandCalibrate),
                       static_cast<QWidget*>(CommandBruit), static_cast<QWidget*>(CommandAnalyse),
                       static_cast<QWidget*>(CommandExit)})
        fitCentredCaption(*w, room);
    matchStack({CommandCalibrate, CommandBruit, CommandAnalyse});
    placePreciseReadout();
}

void Form1::Form_Resize() {
    if (isMinimized()) return;
    const double tpp = twipsPerPixel();
    const auto W = int32_t(std::lround(client_->width() * tpp));
    const auto H = int32_t(std::lround(client_->height() * tpp));
    // The panel starts 120 twips left of the client area and is as wide as the outer
    // window, which the original borders made 120 twips wider than the client. Without
    // such borders (no window manager, thin ones) the first column would start outside
    // the window: the outer width is then taken as the client's plus those 120 twips.
    // Narrower than designed, a panel 120 twips left of the client area would cut the
    // first column: the panel then lies on the client area, its gaps shared out in it.
    const bool narrow = W < kCreationClientWidth;
    const auto wOut = narrow ? W
                             : std::max(int32_t(std::lround(frameGeometry().width() * tpp)),
                                        W + kDesignBorderTwips);
    const std::optional<LayoutResult> laid = vellora::Form_Resize(W, H, wOut, geometry_);
    if (!laid) return;
    geometry_ = laid->geometry;
    if (narrow) geometry_.Frame2.left = 0;
    applyGeometry(geometry_);
}

void Form1::relayout() { applyGeometry(geometry_); }

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == client_ && event->type() == QEvent::Resize) Form_Resize();
    return QMainWindow::eventFilter(watched, event);
}

void Form1::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowStateChange) Form_Resize();
    QMainWindow::changeEvent(event);
}

}  // namespace vellora
