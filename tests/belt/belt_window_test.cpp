// The Belt window offscreen: refused entries, kept set-ups, readings and captions.
#include "belt/belt_window.h"
#include "support/profile_test_support.h"
#include "support/qt_application.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <filesystem>
#include <map>

#include <unistd.h>

namespace vellora {
namespace {

// The session store, with a switch that makes every write fail with a long reason.
struct TestStore : BeltStore {
    bool read(ProfileDocument& into, std::string* error) override {
        return memory.read(into, error);
    }
    bool update(const std::function<bool(ProfileDocument&)>& change, std::string* error) override {
        if (failure.empty()) return memory.update(change, error);
        if (error) *error = failure;
        return false;
    }
    bool empty() {
        ProfileDocument d;
        memory.read(d, nullptr);
        return d.text().empty();
    }
    MemoryBeltStore memory;
    std::string failure;
};

class BeltWindowTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { ensureGuiApplication(); }
    void type(BeltWindow& w, BeltField f, const char* text) { w.edit(f)->setText(text); }
    void fillCamBelt(BeltWindow& w) {
        type(w, BeltField::Name, "Cam belt");
        type(w, BeltField::Mass, "100");
        type(w, BeltField::Span, "500");
        w.target->setCurrentIndex(1);  // Hz
        type(w, BeltField::TargetLow, "95");
        type(w, BeltField::TargetHigh, "105");
    }
    // Answers the window's questions and remembers them.
    void answer(BeltWindow& w, bool yes) {
        w.confirm = [this, yes](const QString& question) {
            questions.push_back(question.toStdString());
            return yes;
        };
    }
    TestStore store;
    std::vector<std::string> questions;
    testing::TempFolder folder;
};

TEST_F(BeltWindowTest, RefusedEntriesShowAHintAndAreNotStored) {
    BeltWindow w(store);
    fillCamBelt(w);
    type(w, BeltField::Mass, "heavy");
    w.spanPulleys->setChecked(true);
    type(w, BeltField::CentreDistance, "50");
    type(w, BeltField::Pulley1, "80");
    type(w, BeltField::Pulley2, "60");
    w.keepButton->click();
    EXPECT_FALSE(w.hint(BeltField::Mass)->isHidden());
    EXPECT_EQ(w.hint(BeltField::Mass)->text().toStdString(), "Not a number.");
    EXPECT_FALSE(w.hint(BeltField::CentreDistance)->isHidden());
    EXPECT_TRUE(w.hint(BeltField::Span)->isHidden());  // not used with pulleys
    EXPECT_FALSE(w.edit(BeltField::Span)->isEnabled());
    EXPECT_TRUE(w.setups().empty());
    EXPECT_TRUE(store.empty());
}

TEST_F(BeltWindowTest, KeptSetUpsAreStoredAndComeBack) {
    {
        BeltWindow w(store);
        fillCamBelt(w);
        w.keepButton->click();
        ASSERT_EQ(w.setups().size(), 1u);
        w.newButton->click();
        type(w, BeltField::Name, "Alternator");
        type(w, BeltField::Mass, "12,5");
        type(w, BeltField::Span, "300");
        w.keepButton->click();
        EXPECT_EQ(w.setupList->count(), 2);
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
    ASSERT_EQ(questions.size(), 2u);
    EXPECT_EQ(questions[1], "Delete the set-up \"Cam belt\"?");
    EXPECT_EQ(BeltWindow(store).setups().size(), 1u);
}

TEST_F(BeltWindowTest, ANameDifferingOnlyInCapitalsIsTheSameSetUp) {
    BeltWindow w(store);
    fillCamBelt(w);
    w.keepButton->click();
    w.newButton->click();
    fillCamBelt(w);
    type(w, BeltField::Name, "CAM BELT");
    w.keepButton->click();
    EXPECT_EQ(w.setups().size(), 1u);
    EXPECT_FALSE(w.hint(BeltField::Name)->isHidden());
    EXPECT_NE(w.hint(BeltField::Name)->text().toStdString().find("\"Cam belt\""),
              std::string::npos);

    // Chosen in the list, the same set-up takes the new spelling: a rename, not a copy.
    w.setupList->setCurrentRow(0);
    type(w, BeltField::Name, "Timing belt");
    w.keepButton->click();
    ASSERT_EQ(w.setups().size(), 1u);
    EXPECT_EQ(w.setups()[0].name, "Timing belt");
    EXPECT_EQ(w.selectedSetup()->name, "Timing belt");

    type(w, BeltField::Name, std::string(65, 'x').c_str());
    w.keepButton->click();
    EXPECT_EQ(w.hint(BeltField::Name)->text().toStdString(), "A name has at most 64 characters.");
    type(w, BeltField::Name, "Timing belt ");
    w.keepButton->click();
    EXPECT_FALSE(w.hint(BeltField::Name)->isHidden());
    EXPECT_EQ(BeltWindow(store).setups()[0].name, "Timing belt");
}

TEST_F(BeltWindowTest, AStoreThatCannotBeWrittenSaysWhyInFull) {
    BeltWindow w(store);
    w.resize(500, 400);
    store.failure = "/home/user/.config/Vellora/Vellora.ini: " + std::string(300, 'x') +
                    " the end of a long reason";
    fillCamBelt(w);
    w.keepButton->click();
    EXPECT_FALSE(w.setupProblemLabel->isHidden());
    EXPECT_TRUE(w.setupProblemLabel->wordWrap());
    EXPECT_EQ(w.setupProblemLabel->text().toStdString(),
              englishBeltCaption(BeltCaption::SetupsNotSaved) + store.failure);
    EXPECT_TRUE(w.setups().empty());
}

TEST_F(BeltWindowTest, ReadingsSurviveARestartAndClearOnlyWhenConfirmed) {
    const auto file = folder / "Readings.csv";
    {
        BeltWindow w(store);
        fillCamBelt(w);
        w.keepButton->click();
        EXPECT_TRUE(w.openReadingsFile(file));
        w.addReading(100.0);
        w.addReading(110.0);
        EXPECT_TRUE(w.problemLabel->isHidden());
    }
    BeltWindow again(store);
    ASSERT_TRUE(again.openReadingsFile(file));
    ASSERT_EQ(again.readingsTable->rowCount(), 2);
    EXPECT_EQ(again.readingsTable->item(1, 1)->text().toStdString(), "Cam belt");
    EXPECT_EQ(again.readingsTable->item(1, 2)->text().toStdString(), "110.0");
    EXPECT_EQ(again.readingsTable->item(1, 6)->text().toStdString(),
              englishBeltCaption(BeltCaption::Outside));
    EXPECT_EQ(again.readings().readings().size(), 2u);

    answer(again, false);
    again.clearButton->click();
    EXPECT_EQ(again.readingsTable->rowCount(), 2);
    answer(again, true);
    again.clearButton->click();
    EXPECT_EQ(again.readingsTable->rowCount(), 0);
    BeltWindow third(store);
    third.openReadingsFile(file);
    EXPECT_EQ(third.readingsTable->rowCount(), 0);
}

TEST_F(BeltWindowTest, AReadingTheFileCannotTakeStaysForTheSessionWithTheReason) {
    const auto file = folder / "Readings.csv";
    std::filesystem::create_directory(file);  // a folder where the file should be
    BeltWindow w(store);
    EXPECT_FALSE(w.openReadingsFile(file));
    EXPECT_FALSE(w.problemLabel->isHidden());
    w.addReading(100.0);
    EXPECT_EQ(w.readings().readings().size(), 1u);
    EXPECT_TRUE(w.problemLabel->wordWrap());
    EXPECT_NE(w.problemLabel->text().toStdString().find(file.string()), std::string::npos);
}

TEST_F(BeltWindowTest, ReadingsAreLoggedConfirmedAndSaved) {
    BeltWindow w(store);
    fillCamBelt(w);
    w.keepButton->click();
    w.addReading(100.0);
    w.addReading(100.4);
    EXPECT_EQ(w.addReading(100.8), Agreement::Confirmed);
    EXPECT_EQ(w.agreementLabel->text().toStdString(), englishBeltCaption(BeltCaption::Confirmed));
    EXPECT_EQ(w.readingsTable->rowCount(), 3);
    EXPECT_EQ(w.readingsTable->item(2, 3)->text().toStdString(),
              "1016");  // 4 * 0.1 * 0.25 * 100.8^2
    EXPECT_EQ(w.lastReadingLabel->property("rangeStatus").toInt(), int(RangeStatus::Inside));
    EXPECT_EQ(w.addReading(110.0), Agreement::Disagree);
    EXPECT_EQ(w.lastReadingLabel->property("rangeStatus").toInt(), int(RangeStatus::Outside));

    const auto csv = folder / "readings.csv";
    EXPECT_TRUE(w.saveCsv(csv));
    EXPECT_GT(std::filesystem::file_size(csv), 100u);
    EXPECT_FALSE(w.saveCsv("/nonexistent-folder/readings.csv"));
    EXPECT_FALSE(w.problemLabel->isHidden());
}

// In French numbers show a decimal comma, and either mark is read back.
TEST_F(BeltWindowTest, NumbersFollowTheInterfaceDecimalMark) {
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    {
        BeltWindow w(store);
        fillCamBelt(w);
        type(w, BeltField::Mass, "12,5");
        type(w, BeltField::TargetLow, "95.5");
        w.keepButton->click();
        ASSERT_EQ(w.setups().size(), 1u);
        EXPECT_EQ(w.setups()[0].mass, 12.5);
        EXPECT_EQ(w.setups()[0].targetLow, 95.5);
        w.newButton->click();
        w.setupList->setCurrentRow(0);
        EXPECT_EQ(w.edit(BeltField::Mass)->text().toStdString(), "12,5");
        EXPECT_EQ(w.edit(BeltField::TargetLow)->text().toStdString(), "95,5");
        EXPECT_EQ(w.edit(BeltField::Name)->text().toStdString(), "Cam belt");
        w.addReading(100.8);
        EXPECT_EQ(w.readingsTable->item(0, 2)->text().toStdString(), "100,8");
    }
    QLocale::setDefault(before);
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
