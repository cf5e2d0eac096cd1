// The Belt window offscreen: refused entries, kept set-ups, readings and captions.
#include "belt/belt_window.h"
#include "support/qt_application.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <filesystem>
#include <map>

#include <unistd.h>

namespace vellora {
namespace {

struct MemoryStore : BeltStore {
    std::string read(const std::string& s, const std::string& k, const std::string& d) override {
        const auto it = values.find({s, k});
        return it == values.end() ? d : it->second;
    }
    bool write(const std::string& s, const std::string& k, const std::string& v) override {
        values[{s, k}] = v;
        return true;
    }
    std::map<std::pair<std::string, std::string>, std::string> values;
};

class BeltWindowTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ensureGuiApplication();
    }
    void type(BeltWindow& w, BeltField f, const char* text) { w.edit(f)->setText(text); }
    void fillCamBelt(BeltWindow& w) {
        type(w, BeltField::Name, "Cam belt");
        type(w, BeltField::Mass, "100");
        type(w, BeltField::Span, "500");
        w.target->setCurrentIndex(1);  // Hz
        type(w, BeltField::TargetLow, "95");
        type(w, BeltField::TargetHigh, "105");
    }
    MemoryStore store;
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
    EXPECT_TRUE(store.values.empty());
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
    again.deleteButton->click();
    EXPECT_EQ(BeltWindow(store).setups().size(), 1u);
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

    const auto csv = std::filesystem::temp_directory_path() /
                     ("vellora_belt_window_" + std::to_string(::getpid()) + ".csv");
    EXPECT_TRUE(w.saveCsv(csv));
    EXPECT_GT(std::filesystem::file_size(csv), 100u);
    std::filesystem::remove(csv);
    EXPECT_FALSE(w.saveCsv("/nonexistent-folder/readings.csv"));
    EXPECT_FALSE(w.problemLabel->isHidden());
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
