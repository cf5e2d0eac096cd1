// SPDX-License-Identifier: GPL-3.0-or-later
// The main window by keyboard: the menus' mnemonics in the real language files, the Tab
// order with a focus mark on every stop, the noise line placed by the arrows. Names for
// screen readers are checked on the real program (scripts/check-accessibility).
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <set>

#include "belt/belt_window.h"
#include "common/focus_mark.h"
#include "mainwindow/form1_fixture.h"
#include "settings/language.h"

namespace vellora::test {
namespace {

using Keyboard = WindowTest;

void activate(QWidget& window) {
    window.show();
    QApplication::setActiveWindow(&window);
}

// Every entry of every menu has one mnemonic, and no two in one menu are alike.
void expectMnemonics(const QList<QAction*>& entries, const std::string& where) {
    std::set<QChar> seen;
    for (const QAction* a : entries) {
        if (a->isSeparator()) continue;
        const QString t = a->text();
        const qsizetype at = t.indexOf('&');
        ASSERT_TRUE(at >= 0 && at + 1 < t.size() && t[at + 1].isLetter())
            << where << ": " << t.toStdString();
        EXPECT_EQ(t.indexOf('&', at + 1), -1) << t.toStdString();
        EXPECT_TRUE(seen.insert(t[at + 1].toLower()).second)
            << where << ": " << t.toStdString() << " repeats a mnemonic";
        if (a->menu()) expectMnemonics(a->menu()->actions(), where + " > " + t.toStdString());
    }
}

TEST_F(Keyboard, EveryMenuEntryHasAMnemonicOfItsOwnInBothLanguages) {
    std::string name = "Français";
    Form1Services s;
    s.setLanguage = [&](const std::string& n) { name = n; };
    s.text = [&](const char* section, int key) {
        return GetLanguageString(section, key, fs::path(VELLORA_SOURCE_LANG_DIR) / (name + ".lng"));
    };
    Form1 w(std::move(s));
    w.Form_Load();
    for (const char* language : {"English", "Français"}) {
        w.ApplyLanguage(language);
        expectMnemonics(w.menuBar()->actions(), language);
    }
}

TEST_F(Keyboard, TabGoesThroughThePanelLeftToRightAndMarksEveryStop) {
    auto w = started();
    activate(*w);
    EXPECT_EQ(QApplication::focusWidget(), w->CommandCalibrate) << "Run is still disabled";
    EXPECT_TRUE(w->TextCalibrate->isReadOnly());
    ready(*w);
    const QWidget* order[] = {w->CommandRun,      w->CommandCalibrate, w->CommandBruit,
                              w->CommandAnalyse,  w->TextCalibrate,    w->HScrollFrequence,
                              w->TextEchantillon, w->CommandExit,      w->Im_Spectre,
                              w->VScrollNiveau,   w->CommandRun};
    w->CommandRun->setFocus();
    // Without a meta-object of its own, the mark is found by name.
    const auto* mark = static_cast<FocusMark*>(w->findChild<QWidget*>("FocusMark"));
    ASSERT_NE(mark, nullptr);
    for (size_t k = 1; k < std::size(order); ++k) {
        pressKey(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* now = QApplication::focusWidget();
        EXPECT_EQ(now, order[k]) << "after " << order[k - 1]->objectName().toStdString();
        // Buttons and text boxes show the focus themselves; the others carry the mark.
        const bool ownMark = qobject_cast<QPushButton*>(now) || qobject_cast<QLineEdit*>(now);
        EXPECT_EQ(mark->target(), ownMark ? nullptr : now) << now->objectName().toStdString();
    }
}

TEST_F(Keyboard, TheArrowsPlaceTheNoiseLineAndEnterFixesIt) {
    auto w = started();
    activate(*w);
    ready(*w);
    w->state.noise.NiveauBruit = 100;
    w->CommandBruit->click();
    ASSERT_EQ(QApplication::focusWidget(), w->Im_Spectre);
    for (int key : {Qt::Key_Up, Qt::Key_Up, Qt::Key_PageDown}) pressKey(w->Im_Spectre, key);
    EXPECT_EQ(w->state.noise.NiveauBruit, 108);
    pressKey(w->Im_Spectre, Qt::Key_Return);
    EXPECT_FALSE(w->state.noise.CaptureNiveauBruit);
    pressKey(w->Im_Spectre, Qt::Key_Down);
    EXPECT_EQ(w->state.noise.NiveauBruit, 108) << "fixed";
    // Ctrl+Q quits as Ctrl+F does.
    pressKey(w->Im_Spectre, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(ended, 1);
}

// On a 640 x 480 screen every control of the panel lies inside the window, the first
// column too (the design's panel starts 120 twips left of the client area).
TEST_F(Keyboard, NothingOfThePanelIsCutOnASmallScreen) {
    auto w = started();
    w->show();
    w->resize(632, 440);
    QApplication::processEvents();
    for (QWidget* c : w->Frame2->findChildren<QWidget*>()) {
        if (c->isHidden()) continue;
        const QRect r(c->mapTo(w.get(), QPoint(0, 0)), c->size());
        EXPECT_TRUE(w->rect().contains(r)) << c->objectName().toStdString();
    }
}

}  // namespace
}  // namespace vellora::test
