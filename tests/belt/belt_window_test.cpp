// SPDX-License-Identifier: GPL-3.0-or-later
#include "belt/belt_window.h"
#include "belt/belt_store_profile.h"
#include "reading_samples.h"
#include "support/profile_test_support.h"
#include "support/qt_application.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTableWidget>

namespace vellora {
namespace {

class BeltWindowTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { ensureGuiApplication(); }
    // 1000 N at 100 Hz, a target of 95 to 105 Hz.
    void fillCamBelt(BeltWindow& w, const char* name = "Cam belt", const char* mass = "100") {
        const std::pair<BeltField, const char*> entries[] = {{BeltField::Name, name},
                                                             {BeltField::Mass, mass},
                                                             {BeltField::Span, "500"},
                                                             {BeltField::TargetLow, "95"},
                                                             {BeltField::TargetHigh, "105"}};
        for (const auto& [field, text] : entries) w.edit(field)->setText(text);
        w.target->setCurrentIndex(1);
        w.keepButton->click();
    }
    // A line as the meter makes it, of the cam belt: 1000 N at 100 Hz.
    static Reading line(double hz, double newtons, RangeStatus range) {
        Reading r = testing::readingAt(hz, "Cam belt");
        r.tension = Tension{newtons, newtons / 9.80665, newtons / 4.4482216152605};
        r.range = range;
        return r;
    }
    static std::string cell(BeltWindow& w, int row, int column) {
        return w.readingsTable->item(row, column)->text().toStdString();
    }
    MemoryBeltStore store;
    testing::TempFolder folder;
};

TEST_F(BeltWindowTest, SetUpsAreCheckedKeptAndDeletedOnlyWhenConfirmed) {
    {
        BeltWindow w(store);
        fillCamBelt(w, "Cam belt", "heavy");
        EXPECT_EQ(w.hint(BeltField::Mass)->text().toStdString(), "Not a number.");
        EXPECT_TRUE(w.setups().empty());
        fillCamBelt(w);
        w.newButton->click();
        fillCamBelt(w, "Alternator");
        w.setupList->setCurrentRow(0);
        // Kept under a new name, the chosen set-up is renamed in its place in the list.
        w.edit(BeltField::Name)->setText("Timing belt");
        w.keepButton->click();
        ASSERT_EQ(w.setupList->count(), 2);
        EXPECT_EQ(w.setupList->item(0)->text().toStdString(), "Timing belt");
        EXPECT_EQ(w.setupList->item(1)->text().toStdString(), "Alternator");
        EXPECT_EQ(w.setupList->currentRow(), 0);
        w.edit(BeltField::Name)->setText("Cam belt");
        w.keepButton->click();
    }
    BeltWindow again(store);
    EXPECT_EQ(again.selectedSetup()->name, "Cam belt");
    for (const bool yes : {false, true}) {
        again.confirm = [yes](const QString&) { return yes; };
        again.deleteButton->click();
        EXPECT_EQ(BeltWindow(store).setups().size(), yes ? 1u : 2u);
    }
}

// Reasons shown whole after the caption of the moment (one the language file lacks, "Err!!",
// stays English); a reading the file cannot take stays for the session.
TEST_F(BeltWindowTest, WhatCannotBeWrittenIsReportedInFullAndKeptForTheSession) {
    ProfileBeltStore broken(folder / "no folder" / "Vellora.ini");
    BeltWindow w(broken);
    w.applyCaptions([](int key) -> std::optional<std::string> {
        if (key == int(BeltCaption::SetupsNotSaved)) return "Non enregistré : ";
        if (key == int(BeltCaption::Keep)) return "Err!!";
        return std::nullopt;
    });
    EXPECT_EQ(w.keepButton->text().toStdString(), englishBeltCaption(BeltCaption::Keep));
    fillCamBelt(w);
    const std::string shown = w.setupProblemLabel->text().toStdString();
    EXPECT_TRUE(shown.starts_with("Non enregistré : ")) << shown;
    EXPECT_NE(shown.find((folder / "no folder").string()), std::string::npos) << shown;
    EXPECT_TRUE(w.setupProblemLabel->wordWrap());
    EXPECT_TRUE(w.setups().empty());

    // A folder where the file should be.
    EXPECT_EQ(w.openReadingsFile(folder.path()).failure(), Failure::NotRegularFile);
    EXPECT_EQ(w.addReading(line(100, 1000, RangeStatus::Inside)).failure(),
              Failure::NotRegularFile);
    EXPECT_EQ(w.readings().size(), 1u);
    EXPECT_NE(w.problemLabel->text().toStdString().find(folder.path().string()), std::string::npos);
    EXPECT_EQ(w.saveCsv(folder / "no folder" / "copy.csv").failure(), Failure::WriteFailed);
    EXPECT_NE(w.problemLabel->text().toStdString().find("copy.csv"), std::string::npos);
}

// A set-up kept in another window (another instance, on the same file) shows in this
// one once the file settles, with a word why; this window's own writes bring no word.
// A refused set-up whose name is thousands of characters long leaves the window within
// the screen.
TEST_F(BeltWindowTest, AnotherWindowsChangeShowsAndNoNameWidensTheWindow) {
    const auto ini = folder / "Vellora.ini";
    ProfileBeltStore mine(ini), theirs(ini);
    BeltWindow here(mine), there(theirs);
    fillCamBelt(here);
    auto settle = [] { processEventsUntil([] { return false; }, 3 * kStoreSettleMs); };
    settle();
    EXPECT_TRUE(here.setupProblemLabel->isHidden());
    ASSERT_EQ(there.setups().size(), 1u);
    EXPECT_EQ(there.setups()[0].name, "Cam belt");
    EXPECT_EQ(there.setupProblemLabel->text().toStdString(),
              englishBeltCaption(BeltCaption::SetupsChangedElsewhere));
    there.newButton->click();
    fillCamBelt(there, "Alternator");
    settle();
    EXPECT_EQ(here.setups().size(), 2u);

    testing::writeBytes(ini, "[BELT]\nCount=1\nName1=" + std::string(2000, 'x') + "\n[BELT " +
                                 std::string(2000, 'x') + "]\nMass=heavy\n");
    BeltWindow refused(mine);
    refused.show();
    QCoreApplication::processEvents();
    ASSERT_TRUE(refused.setupProblemLabel->isVisible());
    EXPECT_LE(refused.frameGeometry().width(), refused.screen()->availableGeometry().width());
}

// A long log shows its newest page at once and older pages on demand, above; the copy
// holds every reading, shown or not, and the ones added since. A day hands-free: past four
// pages the table starts again at the newest one, the readings of this session current and
// the rest earlier; the older ones come back from the file.
TEST_F(BeltWindowTest, ALongLogOpensAtItsEndKeepsTheTableBoundedAndLosesNothing) {
    const auto file = folder / "Readings.csv";
    std::vector<Reading> readings(kReadingsRowsKept + 2);
    for (size_t i = 0; i < readings.size(); ++i)
        readings[i] = line(50 + double(i) * 0.01, 0, RangeStatus::NoTarget);
    ASSERT_TRUE(saveReadingsCsv(file, readings));
    BeltWindow w(store);
    ASSERT_TRUE(w.openReadingsFile(file));
    EXPECT_EQ(size_t(w.readingsTable->rowCount()), kReadingsPageLines);
    EXPECT_EQ(cell(w, 0, 2), "65.0");  // the 1503rd reading: 50 + 1502 x 0.01
    ASSERT_TRUE(w.olderButton->isVisibleTo(&w));
    w.olderButton->click();
    EXPECT_EQ(size_t(w.readingsTable->rowCount()), 2 * kReadingsPageLines);
    EXPECT_EQ(cell(w, 0, 2), "60.0");
    EXPECT_TRUE(w.addReading(line(200, 4000, RangeStatus::NoTarget)).ok());
    ASSERT_TRUE(w.saveCsv(folder / "copy.csv"));
    const auto copy = parseReadingsCsv(testing::readBytes(folder / "copy.csv"));
    ASSERT_EQ(copy->readings.size(), readings.size() + 1);
    EXPECT_EQ(copy->readings.front().hz, 50);
    while (w.showOlderReadings()) {
    }
    EXPECT_FALSE(w.olderButton->isVisibleTo(&w));
    ASSERT_EQ(size_t(w.readingsTable->rowCount()), readings.size() + 1);

    ASSERT_TRUE(w.addReading(line(99.5, 0, RangeStatus::NoTarget)));
    const int rows = int(kReadingsPageLines);
    ASSERT_EQ(w.readingsTable->rowCount(), rows);
    EXPECT_EQ(cell(w, rows - 1, 2), "99.5");
    const auto earlier = [&](int row) {
        return w.readingsTable->item(row, 2)->data(Qt::UserRole + 1).toBool();
    };
    EXPECT_TRUE(earlier(rows - 3));
    EXPECT_FALSE(earlier(rows - 2) || earlier(rows - 1));
    EXPECT_TRUE(w.olderButton->isVisibleTo(&w));
    while (w.showOlderReadings()) {
    }
    EXPECT_EQ(size_t(w.readingsTable->rowCount()), readings.size() + 2);
    EXPECT_EQ(cell(w, 0, 2), "50.0");
}

// With their tension and agreement; kept in the file across a restart and cleared only
// when confirmed.
TEST_F(BeltWindowTest, ReadingsAreLoggedKeptAndClearedOnlyWhenConfirmed) {
    const auto file = folder / "Readings.csv";
    {
        BeltWindow w(store);
        fillCamBelt(w);
        EXPECT_TRUE(w.openReadingsFile(file));
        EXPECT_TRUE(w.addReading(line(100, 1000, RangeStatus::Inside)).ok());
        EXPECT_TRUE(w.addReading(line(100.8, 1016.064, RangeStatus::Inside)).ok());
        EXPECT_TRUE(w.addReading(line(110, 1210, RangeStatus::Outside)).ok());
        Reading refused;
        refused.status = ReadingStatus::Refused;
        refused.why = "trop bref";
        EXPECT_TRUE(w.addReading(refused).ok());
        EXPECT_EQ(cell(w, 1, 2), "100.8");
        EXPECT_EQ(cell(w, 1, 3), "1016");
        EXPECT_EQ(cell(w, 1, 4), "103.6");  // kgf
        EXPECT_EQ(cell(w, 3, 2), "trop bref");
        // The last line is the last reading taken, the refused clip aside.
        EXPECT_EQ(w.lastReadingLabel->property("rangeStatus").toInt(), int(RangeStatus::Outside));
        EXPECT_NE(w.lastReadingLabel->text().indexOf("1210 N"), -1);
        EXPECT_TRUE(w.problemLabel->isHidden());
    }
    BeltWindow again(store);
    ASSERT_TRUE(again.openReadingsFile(file));
    ASSERT_EQ(again.readingsTable->rowCount(), 4);
    EXPECT_TRUE(again.olderButton->isHidden());
    EXPECT_EQ(cell(again, 2, 2), "110.0");
    EXPECT_EQ(cell(again, 3, 2), "trop bref");
    // The export proposes a dated name of its own in the user's documents, in French in
    // French, then the folder last saved to -- not the live file's.
    again.applyCaptions([](int key) -> std::optional<std::string> {
        if (key == int(BeltCaption::CsvFileName)) return "Mesures Vellora %1.csv";
        return std::nullopt;
    });
    const QString today = QDate::currentDate().toString("yyyy-MM-dd");
    EXPECT_EQ(again.suggestedCsvPath(),
              QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
                  .filePath("Mesures Vellora " + today + ".csv"));
    ASSERT_TRUE(again.saveCsv(folder / "copy.csv"));
    EXPECT_EQ(again.suggestedCsvPath().toStdString(),
              (folder / ("Mesures Vellora " + today.toStdString() + ".csv")).string());
    EXPECT_EQ(parseReadingsCsv(testing::readBytes(folder / "copy.csv"))->readings.size(), 4u);
    for (const bool yes : {false, true}) {
        again.confirm = [yes](const QString&) { return yes; };
        again.clearButton->click();
        BeltWindow later(store);
        ASSERT_TRUE(later.openReadingsFile(file));
        EXPECT_EQ(later.readingsTable->rowCount(), yes ? 0 : 4);
    }
}

}  // namespace
}  // namespace vellora
