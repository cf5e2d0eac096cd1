// SPDX-License-Identifier: GPL-3.0-or-later
// The window without a mouse: Tab goes through the panel left to right, then the
// spectrum and its gain bar; every stop shows the focus; the arrows over the spectrum
// place the noise line and move the analysis cursor.
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

#include "common/focus_mark.h"
#include "mainwindow/form1.h"
#include "mainwindow/picture_surface.h"
#include "mainwindow/spectrum_keys.h"

namespace vellora {

void Form1::setUpKeyboard() {
    // The peak read-out is written by the program only; it can still be selected and copied.
    TextCalibrate->setReadOnly(true);
    QWidget* const order[] = {CommandRun,           CommandCalibrate, CommandBruit,
                              CommandAnalyse,       TextCalibrate,    HScrollCalibrate,
                              CommandAutoCalibrate, HScrollFrequence, TextEchantillon,
                              CommandExit,          Im_Spectre,       VScrollNiveau};
    for (size_t k = 1; k < std::size(order); ++k) setTabOrder(order[k - 1], order[k]);

    auto* mark = new FocusMark(this);
    for (QWidget* w :
         {static_cast<QWidget*>(HScrollCalibrate), static_cast<QWidget*>(HScrollFrequence),
          static_cast<QWidget*>(VScrollNiveau), static_cast<QWidget*>(Im_Spectre)})
        mark->mark(w);

    SpectrumKeys::Hooks keys;
    // From the line where it is and the strongest bar of the last cycle.
    keys.start = [this] {
        return QPointF(state.plot.IndicePic * float(std::max<int>(1, Im_Spectre->drawWidth())),
                       state.noise.NiveauBruit);
    };
    keys.move = [this](float x, float y) { Im_Spectre_MouseMove(0, 0, x, y); };
    keys.click = [this] { Im_Spectre_Click(); };
    new SpectrumKeys(*Im_Spectre, std::move(keys));
    // Placing the line and reading the cursor happen over the spectrum: it takes the
    // focus, so the arrows work at once.
    connect(CommandBruit, &QPushButton::clicked, this, [this] {
        if (state.noise.CaptureNiveauBruit) Im_Spectre->setFocus(Qt::OtherFocusReason);
    });
    connect(CommandAnalyse, &QPushButton::clicked, this, [this] {
        if (state.ModeAnalyse) Im_Spectre->setFocus(Qt::OtherFocusReason);
    });

    (CommandRun->isEnabled() ? CommandRun : CommandCalibrate)->setFocus();
}

}  // namespace vellora
