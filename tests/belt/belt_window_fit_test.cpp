// SPDX-License-Identifier: GPL-3.0-or-later
// The Belt window on small screens, with its longest (French) captions, a long
// last-reading line and hints shown: it fits, and it never grows by itself.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTableWidget>
#include <set>

#include "belt/belt_window.h"
#include "support/language_texts.h"
#include "support/qt_application.h"

namespace vellora {
namespace {

void speakFrench(BeltWindow& w) {
    const testing::LanguageTexts french =
        testing::languageTexts(std::string(VELLORA_SOURCE_LANG_DIR) + "/Français.lng");
    ASSERT_GT(french.size(), 50u);
    w.applyCaptions([=](int key) -> std::optional<std::string> {
        auto it = french.find({"BELT", key});
        return it == french.end() ? std::nullopt : std::optional(it->second);
    });
}

// A window with one reading logged, 98.04 Hz.
class BeltWindowFit : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { ensureGuiApplication(); }
    static Reading at98() {
        Reading line;
        line.hz = 98.04;
        return line;
    }
    MemoryBeltStore store;
    BeltWindow w{store};
};

// Opened in French on the 800 x 600 screen it fits, with the readings beside the form;
// hints and readings never make it grow, the hint shown is scrolled into view and the
// readings' buttons stay in view. Made 640 x 440, no control overlaps another or sticks
// out of the window's width, and Tab brings each stop into view in turn.
TEST_F(BeltWindowFit, FitsSmallScreensNeverGrowsAndTabReachesEveryControl) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    ASSERT_LE(screen.width(), 800) << "the offscreen screen is 800 x 600";
    speakFrench(w);
    w.show();
    QApplication::setActiveWindow(&w);
    QCoreApplication::processEvents();
    const QSize opened = w.size();
    EXPECT_TRUE(opened.width() <= screen.width() && opened.height() <= screen.height());
    const auto* formScroll = w.findChild<QScrollArea*>("formScroll");
    EXPECT_GT(w.saveCsvButton->mapTo(&w, QPoint(0, 0)).x(), formScroll->width());
    w.edit(BeltField::Name)->setText(QString(60, 'M'));
    w.edit(BeltField::TargetLow)->setText("abc");
    w.keepButton->click();  // no mass, a range that is not a number: two hints
    EXPECT_TRUE(w.addReading(at98()).ok());
    QCoreApplication::processEvents();
    EXPECT_EQ(w.size(), opened);
    const auto inView = [&](const QWidget* c) {
        return w.rect().contains(QRect(c->mapTo(&w, QPoint(0, 0)), c->size()));
    };
    ASSERT_FALSE(w.hint(BeltField::Mass)->isHidden());
    for (const QWidget* c :
         {static_cast<QWidget*>(w.hint(BeltField::Mass)), static_cast<QWidget*>(w.saveCsvButton),
          static_cast<QWidget*>(w.clearButton)})
        EXPECT_TRUE(inView(c)) << c->metaObject()->className();

    w.resize(640, 440);
    EXPECT_TRUE(w.addReading(at98()).ok());
    QCoreApplication::processEvents();
    EXPECT_EQ(w.size(), QSize(640, 440));
    // Each control where it lies in what scrolls it, whatever is scrolled into view now:
    // the form's fields in the form, the rest, and the form's scroll area, in the window.
    const QWidget* form = formScroll->widget();
    const QWidget* content = w.findChild<QScrollArea*>("windowScroll")->widget();
    std::vector<QWidget*> controls;
    std::vector<std::pair<const QWidget*, QRect>> placed = {
        {content, QRect(formScroll->mapTo(content, QPoint(0, 0)), formScroll->size())}};
    for (QWidget* c : w.findChildren<QWidget*>()) {
        if (!(c->focusPolicy() & Qt::TabFocus) || !c->isVisibleTo(&w)) continue;
        controls.push_back(c);
        const QWidget* in = form->isAncestorOf(c) ? form : content;
        placed.emplace_back(in, QRect(c->mapTo(in, QPoint(0, 0)), c->size()));
    }
    ASSERT_GT(controls.size(), 25u);
    for (size_t i = 0; i < placed.size(); ++i) {
        const auto& [in, a] = placed[i];
        EXPECT_LE(a.right(), in->width()) << i;
        EXPECT_LE(in->width(), 640);
        for (size_t j = i + 1; j < placed.size(); ++j) {
            if (placed[j].first != in) continue;
            EXPECT_FALSE(a.intersects(placed[j].second)) << i << " and " << j;
        }
    }
    std::set<QWidget*> reached;
    w.setupList->setFocus();
    for (size_t k = 0; k < 2 * controls.size(); ++k) {
        QWidget* now = QApplication::focusWidget();
        ASSERT_NE(now, nullptr);
        reached.insert(now);
        // What its scroll areas and the window leave of it on the screen.
        EXPECT_GE(now->visibleRegion().boundingRect().height(), std::min(now->height(), 20))
            << now->metaObject()->className() << " not scrolled into view";
        pressKey(now, Qt::Key_Tab);
    }
    for (QWidget* c :
         {static_cast<QWidget*>(w.keepButton), static_cast<QWidget*>(w.saveCsvButton),
          static_cast<QWidget*>(w.clearButton), static_cast<QWidget*>(w.autoNoiseButton),
          static_cast<QWidget*>(w.unitChoice)})
        EXPECT_TRUE(reached.count(c)) << c->metaObject()->className();
}

// Every number of the window follows the language's decimal mark, rows logged before a
// switch too; the stored values keep the point.
TEST_F(BeltWindowFit, NumbersTakeTheDecimalMarkOfTheLanguage) {
    EXPECT_TRUE(w.addReading(at98()).ok());
    for (const auto& [language, hz, factor] :
         {std::tuple{QLocale::French, "98,0", "1,00"}, {QLocale::English, "98.0", "1.00"}}) {
        QLocale::setDefault(QLocale(language));
        w.applyCaptions({});
        EXPECT_EQ(w.readingsTable->item(0, 2)->text(), hz);
        EXPECT_TRUE(w.lastReadingLabel->text().contains(hz))
            << w.lastReadingLabel->text().toStdString();
        EXPECT_EQ(w.edit(BeltField::Factor)->text(), factor);
    }
    EXPECT_DOUBLE_EQ(w.readings().front().hz, 98.04);
}

}  // namespace
}  // namespace vellora
