// SPDX-License-Identifier: GPL-3.0-or-later
// The Belt window on an 800 x 600 screen, with its longest (French) captions, a long
// last-reading line and hints shown: it fits, and it never grows by itself.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <fstream>
#include <map>

#include "belt/belt_window.h"
#include "support/qt_application.h"

namespace vellora {
namespace {

// The BELT section of a language file, key by key.
std::map<int, std::string> beltTexts(const std::string& file) {
    std::ifstream in(file);
    std::map<int, std::string> texts;
    bool inBelt = false;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("[")) inBelt = line.starts_with("[BELT]");
        const size_t eq = line.find('=');
        if (inBelt && eq != std::string::npos && std::isdigit(line[0]))
            texts[std::stoi(line.substr(0, eq))] = line.substr(eq + 1);
    }
    return texts;
}

TEST(BeltWindowFit, FitsAn800By600ScreenAndNeverGrowsByItself) {
    ensureGuiApplication();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    ASSERT_LE(screen.width(), 800) << "the offscreen screen is 800 x 600";
    const std::map<int, std::string> french =
        beltTexts(std::string(VELLORA_SOURCE_LANG_DIR) + "/Français.lng");
    ASSERT_GT(french.size(), 50u);
    MemoryBeltStore store;
    BeltWindow w(store);
    w.applyCaptions([&](int key) -> std::optional<std::string> {
        auto it = french.find(key);
        return it == french.end() ? std::nullopt : std::optional(it->second);
    });
    w.show();
    QCoreApplication::processEvents();
    const QSize opened = w.size();
    EXPECT_LE(opened.width(), screen.width());
    EXPECT_LE(opened.height(), screen.height());
    w.edit(BeltField::Name)->setText(QString(60, 'M'));
    w.edit(BeltField::TargetLow)->setText("abc");
    w.keepButton->click();  // no mass, a range that is not a number: two hints
    Reading line;
    line.hz = 98.04;
    EXPECT_TRUE(w.addReading(line).ok());
    QCoreApplication::processEvents();
    EXPECT_EQ(w.size(), opened);
    // The hint shown is scrolled into view.
    const QLabel* hint = w.hint(BeltField::Mass);
    ASSERT_FALSE(hint->isHidden());
    EXPECT_TRUE(w.rect().contains(QRect(hint->mapTo(&w, QPoint(0, 0)), hint->size())));
    // The readings' buttons stay in view without scrolling.
    for (const QWidget* b : {w.saveCsvButton, w.clearButton})
        EXPECT_TRUE(w.rect().contains(QRect(b->mapTo(&w, QPoint(0, 0)), b->size())));
}

// Every number of the window follows the language's decimal mark, rows logged before a
// switch too; the stored values keep the point.
TEST(BeltWindowFit, NumbersTakeTheDecimalMarkOfTheLanguage) {
    ensureGuiApplication();
    MemoryBeltStore store;
    BeltWindow w(store);
    Reading line;
    line.hz = 98.04;
    EXPECT_TRUE(w.addReading(line).ok());
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
