// Leaving the program: the exit button, the menu entry and the close box.
#include <QCloseEvent>

#include "mainwindow/form1.h"

namespace vellora {

void Form1::CommandExit_Click() {
    state.MesureEnCours = false;
    if (TonePlayer* t = services_.tone) t->stop();
    close();
}

void Form1::Fermer_Click() { close(); }

void Form1::Anglais_Click() {}
void Form1::Francais_Click() {}
void Form1::Help_Click() {}
void Form1::APropo_Click() {}

}  // namespace vellora
