// SPDX-License-Identifier: GPL-3.0-or-later
// The menu tree: top-level entries only open their sub-menus. Their mnemonics come with
// the captions from the language file; F10 opens the first menu, as on other desktops.
#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "mainwindow/form1.h"
#include "settings/language_names.h"

namespace vellora {

namespace {

QMenu* menu(QWidget* parent, const char* name, const QString& caption) {
    auto* m = new QMenu(caption, parent);
    m->setObjectName(name);
    m->menuAction()->setObjectName(name);
    return m;
}

QAction* entry(QMenu* parent, const char* name, const QString& caption,
               const QKeySequence& shortcut) {
    QAction* a = parent->addAction(caption);
    a->setObjectName(QString::fromUtf8(name));
    a->setShortcut(shortcut);
    return a;
}

}  // namespace

void Form1::createMenus() {
    QMenuBar* bar = menuBar();

    Fichier = menu(this, "Fichier", "Fichier");
    Fermer = entry(Fichier, "Fermer", "Fermer", QKeySequence(Qt::CTRL | Qt::Key_F));
    // Ctrl+Q too: the key every other program quits with.
    Fermer->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_F), QKeySequence(Qt::CTRL | Qt::Key_Q)});
    bar->addMenu(Fichier);

    Calibration = menu(this, "Calibration", "Calibration");
    ChoixFrequence = entry(Calibration, "ChoixFréquence", QString::fromUtf8("Choisir la fréquence"),
                           QKeySequence(Qt::Key_F2));
    bar->addMenu(Calibration);

    MenuEnergie = menu(this, "MenuEnergie", "Energie");
    Visibles = entry(MenuEnergie, "Visibles", "Afficher", QKeySequence(Qt::Key_F3));
    // The marks show what is on screen; the handlers keep them so.
    Visibles->setCheckable(true);
    Visibles->setChecked(true);
    VisibleEchelle =
        entry(MenuEnergie, "VisibleEchelle", QString(), QKeySequence(Qt::SHIFT | Qt::Key_F3));
    VisibleEchelle->setCheckable(true);
    VisibleEchelle->setChecked(true);
    bar->addMenu(MenuEnergie);

    Options = menu(this, "Options", "Option");
    Langue = menu(Options, "Langue", "Langue");
    Options->addMenu(Langue);
    Anglais = entry(Langue, "Anglais", "&" + QString::fromUtf8(kEnglishLanguage),
                    QKeySequence(Qt::Key_F4));
    Francais = entry(Langue, "Francais", "&" + QString::fromUtf8(kFrenchLanguage),
                     QKeySequence(Qt::Key_F5));
    // The marks show the current language; the language switch sets both.
    Anglais->setCheckable(true);
    Francais->setCheckable(true);
    Francais->setChecked(true);
    bar->addMenu(Options);

    Aide = menu(this, "Aide", "?");
    Help = entry(Aide, "Help", "Aide", QKeySequence(Qt::Key_F1));
    APropo = entry(Aide, "APropo", "A propos...", QKeySequence());
    bar->addMenu(Aide);

    auto* openMenus = new QAction(this);
    openMenus->setObjectName("OuvrirMenus");
    openMenus->setShortcut(QKeySequence(Qt::Key_F10));
    addAction(openMenus);
    connect(openMenus, &QAction::triggered, this,
            [this] { menuBar()->setActiveAction(Fichier->menuAction()); });
}

}  // namespace vellora
