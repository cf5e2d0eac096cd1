// SPDX-License-Identifier: GPL-3.0-or-later
// The display controls and the mouse over the spectrum. The scroll bars only store
// their value; the spectrum changes at the next cycle or the next mouse movement.
#include <QAction>
#include <QFrame>
#include <QLineEdit>
#include <QScrollBar>

#include "mainwindow/cursor_readout.h"
#include "mainwindow/form1.h"
#include "mainwindow/frequency_scale_overlay.h"
#include "mainwindow/picture_surface.h"

namespace vellora {

void Form1::HScrollFrequence_Change() {
    state.plot.NbFrequencesAffichees = int16_t(HScrollFrequence->value());
}

void Form1::VScrollNiveau_Change() {
    state.plot.Amplification = int16_t(kNiveauRange.maximum - VScrollNiveau->value());
}

void Form1::Visibles_Click() {
    Energie->setVisible(!Energie->isVisible());
    Visibles->setChecked(!Energie->isHidden());
}

void Form1::Energie_DblClick() {
    Energie->hide();
    Visibles->setChecked(false);
}

void Form1::VisibleEchelle_Click() {
    EchelleFrequence->setVisible(EchelleFrequence->isHidden());
    VisibleEchelle->setChecked(!EchelleFrequence->isHidden());
    placePreciseReadout();
}

// The scale follows the bars as they stand: their spacing, how many were drawn and the
// hertz per bin, which the fine correction changes at once.
void Form1::updateFrequencyScale() {
    EchelleFrequence->setScale(state.plot.PasFrequence, state.plot.NbFrequencesAffichees,
                               Im_Spectre->drawWidth());
}

void Form1::Im_Spectre_MouseMove(int /*button*/, int /*shift*/, float X, float Y) {
    const CursorView view{state.ModeAnalyse, state.plot.NbFrequencesAffichees,
                          state.plot.PasFrequence};
    const std::optional<std::string> text =
        cursorMouseMove(*Im_Spectre, state.noise, state.plot.TableBarres, view, X, Y);
    if (text) TextCalibrate->setText(QString::fromStdString(*text));
    if (state.ModeAnalyse) Im_Spectre->refresh();
    // The precise read-out steps out of the way of the noise line being placed.
    if (state.noise.CaptureNiveauBruit) placePreciseReadout();
}

void Form1::Im_Spectre_Click() { noiseClick(state.noise); }

}  // namespace vellora
