// The keys of the settings file: defaults without a file, the line order that one
// session leaves, the range-checked readers, and values kept as typed.
#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include "support/profile_test_support.h"

namespace vellora {
namespace {

using testing::readBytes;
using testing::TempFolder;
using testing::writeBytes;

MainWindowClosingValues closingValues() {
    return {0, 0, 11220, 16050, 266, 1024, 512, 246, 0, "5"};
}

TEST(SettingsStore, WithoutAFileEveryKeyReadsItsDefault) {
    TempFolder dir;
    const SettingsStore s(dir / "Vellora.ini");
    EXPECT_EQ(s.readTop(), 0);
    EXPECT_EQ(s.readLeft(), 0);
    EXPECT_EQ(s.readHeight(), 11220);
    EXPECT_EQ(s.readWidth(), 16050);
    EXPECT_EQ(s.readAmplification().value, 0);
    EXPECT_EQ(s.readNbFrequencesAffichees().value, 1024);
    EXPECT_EQ(s.readAjustement().value, 512);
    EXPECT_EQ(s.readNiveau().value, 246);
    EXPECT_EQ(s.readNiveauBruit(), 0);
    EXPECT_EQ(s.readCalibration().value, 110);
    EXPECT_EQ(s.readNbEchantillons(), 5);
    EXPECT_EQ(s.readLangue(),
              "Fran\xC3\xA7"
              "ais");
    EXPECT_EQ(s.readCalTop(), 0);
    EXPECT_EQ(s.readCalLeft(), 0);
    EXPECT_EQ(s.readCalHeight(), 3015);
    EXPECT_EQ(s.readCalWidth(), 5235);
    EXPECT_EQ(s.readNiveau().outcome, ReadOutcome::Kept);
    EXPECT_FALSE(std::filesystem::exists(s.file()));
}

TEST(SettingsStore, WithTheCalibrationDialogClosedFirstItsKeysComeFirst) {
    TempFolder dir;
    const SettingsStore s(dir / "Vellora.ini");
    // Unloading the dialog: CalLeft, CalTop, CalHeight, CalWidth, then Calibration.
    ASSERT_TRUE(s.writeCalLeft(1500));
    ASSERT_TRUE(s.writeCalTop(1200));
    ASSERT_TRUE(s.writeCalHeight(3015));
    ASSERT_TRUE(s.writeCalWidth(5235));
    ASSERT_TRUE(s.writeCalibration(440));
    ASSERT_TRUE(writeMainWindowClosing(s, closingValues()));
    EXPECT_EQ(readBytes(s.file()),
              "[POSITIONS]\n"
              "CalLeft=1500\n"
              "CalTop=1200\n"
              "CalHeight=3015\n"
              "CalWidth=5235\n"
              "Left=0\n"
              "Top=0\n"
              "Height=11220\n"
              "Width=16050\n"
              "[SETTINGS]\n"
              "Calibration=440\n"
              "Amplification=266\n"
              "NbFrequencesAffichees=1024\n"
              "Ajustement=512\n"
              "Niveau=246\n"
              "NiveauBruit=0\n"
              "NbEchantillons=5\n");
    EXPECT_EQ(s.readCalibration().value, 440);
    EXPECT_EQ(s.readCalLeft(), 1500);
}

TEST(SettingsStore, ALanguageChosenFirstStartsTheSettingsSectionAndIsOverwrittenInPlace) {
    TempFolder dir;
    const SettingsStore s(dir / "Vellora.ini");
    ASSERT_TRUE(s.writeLangue("English"));
    ASSERT_TRUE(writeMainWindowClosing(s, closingValues()));
    EXPECT_EQ(readBytes(s.file()).rfind("[SETTINGS]\nLangue=English\nAmplification=266\n", 0), 0u);
    ASSERT_TRUE(
        s.writeLangue("Fran\xC3\xA7"
                      "ais"));
    EXPECT_EQ(readBytes(s.file()).rfind("[SETTINGS]\nLangue=Fran\xC3\xA7"
                                        "ais\nAmplification",
                                        0),
              0u);
    EXPECT_EQ(s.readLangue(),
              "Fran\xC3\xA7"
              "ais");
}

TEST(SettingsStore, ASecondSessionOverwritesInPlaceAndKeepsUnknownContent) {
    TempFolder dir;
    const SettingsStore s(dir / "Vellora.ini");
    writeBytes(s.file(),
               "; my notes\n[settings]\nniveau=300\nMyOwnKey=keep\n\n[POSITIONS]\nwidth=9000\n");
    MainWindowClosingValues v = closingValues();
    v.niveau = 263;
    v.width = 12000;
    ASSERT_TRUE(writeMainWindowClosing(s, v));
    EXPECT_EQ(readBytes(s.file()),
              "; my notes\n[settings]\nniveau=263\nMyOwnKey=keep\nAmplification=266\n"
              "NbFrequencesAffichees=1024\nAjustement=512\nNiveauBruit=0\nNbEchantillons=5\n\n"
              "[POSITIONS]\nwidth=12000\nLeft=0\nTop=0\nHeight=11220\n");
}

TEST(SettingsStore, StoredTextsReadAsTheProfileServiceReadsThem) {
    TempFolder dir;
    const SettingsStore s(dir / "Vellora.ini");
    writeBytes(s.file(), "[POSITIONS]\nTop=12.7\n[SETTINGS]\nNbEchantillons=abc\nLangue=" +
                             std::string(150, 'x') + "\n");
    EXPECT_EQ(s.readTop(), 12);
    EXPECT_EQ(s.readNbEchantillons(), 0);
    EXPECT_EQ(s.readLangue(), std::string(99, 'x'));
    // What the box holds goes back unchanged.
    ASSERT_TRUE(s.writeNbEchantillons("abc"));
    EXPECT_NE(readBytes(s.file()).find("NbEchantillons=abc\n"), std::string::npos);
}

// A 16-bit overflow gives the default; a value outside its control goes to the nearest
// end; Amplification feeds a variable, so only the 16-bit check applies to it.
TEST(SettingsStore, StoredNumbersAreKeptReplacedOrClamped) {
    using Reader = CheckedValue (SettingsStore::*)() const;
    const struct {
        const char* key;
        Reader read;
        const char* stored;
        int32_t value;
        ReadOutcome outcome;
    } cases[] = {
        {"Amplification", &SettingsStore::readAmplification, "40000", 0,
         ReadOutcome::ReplacedByDefault},
        {"Amplification", &SettingsStore::readAmplification, "-300", -300, ReadOutcome::Kept},
        {"Calibration", &SettingsStore::readCalibration, "-40000", 110,
         ReadOutcome::ReplacedByDefault},
        {"Calibration", &SettingsStore::readCalibration, "6000", 5000, ReadOutcome::Clamped},
        {"Calibration", &SettingsStore::readCalibration, "0", 0, ReadOutcome::Kept},
        {"Niveau", &SettingsStore::readNiveau, "99999", 246, ReadOutcome::ReplacedByDefault},
        {"Niveau", &SettingsStore::readNiveau, "0", 20, ReadOutcome::Clamped},
        {"Niveau", &SettingsStore::readNiveau, "512", 512, ReadOutcome::Kept},
        {"NbFrequencesAffichees", &SettingsStore::readNbFrequencesAffichees, "32768", 1024,
         ReadOutcome::ReplacedByDefault},
        {"NbFrequencesAffichees", &SettingsStore::readNbFrequencesAffichees, "50", 100,
         ReadOutcome::Clamped},
        {"NbFrequencesAffichees", &SettingsStore::readNbFrequencesAffichees, "2048", 2048,
         ReadOutcome::Kept},
        {"Ajustement", &SettingsStore::readAjustement, "-32769", 512,
         ReadOutcome::ReplacedByDefault},
        {"Ajustement", &SettingsStore::readAjustement, "2000", 1024, ReadOutcome::Clamped},
        {"Ajustement", &SettingsStore::readAjustement, "0", 0, ReadOutcome::Kept},
    };
    TempFolder dir;
    const SettingsStore s(dir / "Vellora.ini");
    for (const auto& c : cases) {
        writeBytes(s.file(), std::string("[SETTINGS]\n") + c.key + "=" + c.stored + "\n");
        const CheckedValue v = (s.*c.read)();
        EXPECT_EQ(v.value, c.value) << c.key << "=" << c.stored;
        EXPECT_EQ(v.outcome, c.outcome) << c.key << "=" << c.stored;
        EXPECT_EQ(v.stored, std::stoi(c.stored)) << c.key << "=" << c.stored;
    }
    writeBytes(s.file(), "[SETTINGS]\nNiveauBruit=-70000\n");
    EXPECT_EQ(s.readNiveauBruit(), -70000);  // 32 bits, no check

    EXPECT_EQ(checkSixteenBits(32767, 5, kSixteenBits).outcome, ReadOutcome::Kept);
    EXPECT_EQ(checkSixteenBits(-32768, 5, kSixteenBits).outcome, ReadOutcome::Kept);
    EXPECT_EQ(checkSixteenBits(32768, 5, kSixteenBits).value, 5);
    EXPECT_EQ(checkSixteenBits(-32769, 5, kSixteenBits).value, 5);
}

}  // namespace
}  // namespace vellora
