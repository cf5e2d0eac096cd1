// The Belt window offscreen: refused entries, kept set-ups, readings and captions.
#include "belt/belt_window.h"
#include "support/profile_test_support.h"
#include "support/qt_application.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

namespace vellora {
namespace {

// The session store, with a switch that makes every write fail with a long reason.
struct TestStore : BeltStore {
    Status read(ProfileDocument& into) override { return memory.read(into); }
    Status update(const std::function<bool(ProfileDocument&)>& change) override {
        return failure.empty() ? memory.update(change) : Status(Failure::WriteFailed, failure);
    }
    MemoryBeltStore memory;
    std::string failure;
};

class BeltWindowTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { ensureGuiApplication(); }
    void type(BeltWindow& w, BeltField f, const std::string& text) {
        w.edit(f)->setText(QString::fromStdString(text));
    }
    void fillCamBelt(BeltWindow& w) {  // 1000 N at 100 Hz, a target of 95 to 105 Hz
        type(w, BeltField::Name, "Cam belt");
        type(w, BeltField::Mass, "100");
        type(w, BeltField::Span, "500");
        w.target->setCurrentIndex(1);
        type(w, BeltField::TargetLow, "95");
        type(w, BeltField::TargetHigh, "105");
    }
    void answer(BeltWindow& w, bool yes) {
        w.confirm = [yes](const QString&) { return yes; };
    }
    std::string text(QTableWidget* t, int row, int column) {
        return t->item(row, column)->text().toStdString();
    }
    TestStore store;
    testing::TempFolder folder;
};

TEST_F(BeltWindowTest, SetUpsAreCheckedKeptAndDeletedOnlyWhenConfirmed) {
    {
        BeltWindow w(store);
        fillCamBelt(w);
        type(w, BeltField::Mass, "heavy");
        w.keepButton->click();
        EXPECT_EQ(w.hint(BeltField::Mass)->text().toStdString(), "Not a number.");
        EXPECT_TRUE(w.setups().empty());
        type(w, BeltField::Mass, "100");
        w.keepButton->click();
        w.newButton->click();
        fillCamBelt(w);
        type(w, BeltField::Name, "CAM BELT");  // the same set-up for the store
        w.keepButton->click();
        EXPECT_NE(w.hint(BeltField::Name)->text().toStdString().find("\"Cam belt\""),
                  std::string::npos);
        type(w, BeltField::Name, "Alternator");
        type(w, BeltField::Span, "300");
        w.keepButton->click();
        EXPECT_EQ(w.selectedSetup()->name, "Alternator");
        w.setupList->setCurrentRow(0);
    }
    BeltWindow again(store);
    ASSERT_EQ(again.setups().size(), 2u);
    EXPECT_EQ(again.selectedSetup()->name, "Cam belt");
    EXPECT_EQ(again.edit(BeltField::Span)->text().toStdString(), "500");
    answer(again, false);
    again.deleteButton->click();
    EXPECT_EQ(BeltWindow(store).setups().size(), 2u);
    answer(again, true);
    again.deleteButton->click();
    EXPECT_EQ(BeltWindow(store).setups().size(), 1u);
}

TEST_F(BeltWindowTest, AStoreThatCannotBeWrittenSaysWhyInFull) {
    BeltWindow w(store);
    store.failure = "/home/user/.config/Vellora/Vellora.ini: " + std::string(300, 'x') + " end";
    fillCamBelt(w);
    w.keepButton->click();
    EXPECT_TRUE(w.setupProblemLabel->wordWrap());
    EXPECT_EQ(w.setupProblemLabel->text().toStdString(),
              englishBeltCaption(BeltCaption::SetupsNotSaved) + store.failure);
    EXPECT_TRUE(w.setups().empty());
}

// Readings with their tension and agreement, kept in the file across a restart, cleared
// only when confirmed; in French with a decimal comma.
TEST_F(BeltWindowTest, ReadingsAreLoggedKeptAndClearedOnlyWhenConfirmed) {
    const auto file = folder / "Readings.csv";
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    {
        BeltWindow w(store);
        fillCamBelt(w);
        w.keepButton->click();
        EXPECT_TRUE(w.openReadingsFile(file));
        w.addReading(100.0);
        w.addReading(100.4);
        EXPECT_EQ(w.addReading(100.8), Agreement::Confirmed);
        EXPECT_EQ(w.agreementLabel->text().toStdString(),
                  englishBeltCaption(BeltCaption::Confirmed));
        EXPECT_EQ(text(w.readingsTable, 2, 3), "1016");  // 4 * 0.1 * 0.25 * 100.8^2
        EXPECT_EQ(text(w.readingsTable, 2, 2), "100,8");
        EXPECT_EQ(w.addReading(110.0), Agreement::Disagree);
        EXPECT_EQ(w.lastReadingLabel->property("rangeStatus").toInt(), int(RangeStatus::Outside));
        EXPECT_TRUE(w.problemLabel->isHidden());
    }
    QLocale::setDefault(before);
    BeltWindow again(store);
    ASSERT_TRUE(again.openReadingsFile(file));
    ASSERT_EQ(again.readingsTable->rowCount(), 4);
    EXPECT_EQ(text(again.readingsTable, 3, 1), "Cam belt");
    EXPECT_EQ(text(again.readingsTable, 3, 6), englishBeltCaption(BeltCaption::Outside));
    ASSERT_TRUE(again.saveCsv(folder / "copy.csv"));
    EXPECT_EQ(parseReadingsCsv(testing::readBytes(folder / "copy.csv"))->readings.size(), 4u);
    answer(again, false);
    again.clearButton->click();
    EXPECT_EQ(again.readingsTable->rowCount(), 4);
    answer(again, true);
    again.clearButton->click();
    BeltWindow third(store);
    third.openReadingsFile(file);
    EXPECT_EQ(third.readingsTable->rowCount(), 0);
}

// The file or the copy cannot be written: the reading stays for the session and the
// window names the file.
TEST_F(BeltWindowTest, AReadingTheFileCannotTakeStaysForTheSessionWithTheReason) {
    const auto file = folder / "Readings.csv";
    std::filesystem::create_directory(file);
    BeltWindow w(store);
    EXPECT_FALSE(w.openReadingsFile(file));
    w.addReading(100.0);
    EXPECT_EQ(w.readings().readings().size(), 1u);
    EXPECT_TRUE(w.problemLabel->wordWrap());
    EXPECT_NE(w.problemLabel->text().toStdString().find(file.string()), std::string::npos);
    EXPECT_FALSE(w.saveCsv(folder / "no folder" / "copy.csv"));
    EXPECT_NE(w.problemLabel->text().toStdString().find("copy.csv"), std::string::npos);
}

TEST_F(BeltWindowTest, CaptionsComeFromTheLookupWithEnglishForTheRest) {
    BeltWindow w(store);
    w.applyCaptions([](int key) -> std::optional<std::string> {
        if (key == int(BeltCaption::Title)) return "Courroie";
        if (key == int(BeltCaption::Keep)) return "Err!!";
        return std::nullopt;
    });
    EXPECT_EQ(w.windowTitle().toStdString(), "Courroie");
    EXPECT_EQ(w.keepButton->text().toStdString(), englishBeltCaption(BeltCaption::Keep));
    for (int key = 1; key <= kLastBeltCaption; ++key)
        EXPECT_FALSE(englishBeltCaption(BeltCaption(key)).empty()) << key;
}

}  // namespace
}  // namespace vellora
