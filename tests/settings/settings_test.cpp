// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file, where it lives and that a failed save loses nothing; the languages.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "settings/data_files.h"
#include "settings/language.h"
#include "settings/settings_store.h"
#include "support/hostile_files.h"
#include "support/language_texts.h"
#include "support/profile_test_support.h"

namespace vellora {
namespace {

using testing::readBytes;
using testing::TempFolder;
using testing::writeBytes;

// Beyond 16 bits: the key's default; outside the control: its nearest end.
TEST(SettingsStore, StoredNumbersAreKeptReplacedOrClamped) {
    const struct {
        int32_t stored;
        ControlRange range;
        int16_t value;
        ReadOutcome outcome;
    } cases[] = {
        {40000, kSixteenBits, 7, ReadOutcome::ReplacedByDefault},
        {-32768, kSixteenBits, -32768, ReadOutcome::Kept},
        {6000, kCalibrationRange, 5000, ReadOutcome::Clamped},
        {0, kNiveauRange, 20, ReadOutcome::Clamped},
        {-32769, kAjustementRange, 7, ReadOutcome::ReplacedByDefault},
    };
    for (const auto& c : cases) {
        const CheckedValue v = checkSixteenBits(c.stored, 7, c.range);
        EXPECT_EQ(v.value, c.value) << c.stored;
        EXPECT_EQ(v.outcome, c.outcome) << c.stored;
    }
}

// An installed meter's read-only folder holds the calibration: the user's first start
// copies it byte for byte, later starts keep the user's copy. With nowhere to copy it the
// shared file is still read, and a save fails, says so and leaves the file as it was.
TEST(SettingsFile, BesideTheProgramOrSeededIntoTheUsersFolderAndNeverLost) {
    TempFolder program, home, locked;
    const std::string stored = "[SETTINGS]\r\nAjustement=530\r\n; \xE9t\xE9\r\n";
    writeBytes(program / "Vellora.ini", stored);
    ::chmod(program.path().c_str(), 0555);
    ::chmod(locked.path().c_str(), 0555);
    ::chmod(home.path().c_str(), 0777);
    testing::ActAsUnprivilegedUser user;
    if (testing::canCreateIn(program.path())) GTEST_SKIP() << "permissions are not enforced here";
    const SettingsStore shared(chooseSettingsFile(program.path(), locked / "Vellora"));
    EXPECT_EQ(shared.file(), program / "Vellora.ini");
    EXPECT_EQ(shared.readInt(kSettingsSection, kKeyAjustement, 512), 530);
    EXPECT_FALSE(shared.writeString(kSettingsSection, kKeyAjustement, "1"));
    EXPECT_EQ(readBytes(shared.file()), stored);
    const SettingsStore own(chooseSettingsFile(program.path(), home / "Vellora"));
    EXPECT_EQ(own.file(), home / "Vellora" / "Vellora.ini");
    EXPECT_TRUE(own.writeString(kSettingsSection, kKeyNiveau, "300"));
    EXPECT_EQ(readBytes(own.file()), stored + "Niveau=300\r\n");
    EXPECT_EQ(chooseSettingsFile(program.path(), home / "Vellora"), own.file());
    EXPECT_EQ(readBytes(own.file()), stored + "Niveau=300\r\n");
    EXPECT_EQ(readBytes(program / "Vellora.ini"), stored);
}

TEST(Language, ErrForWhatIsMissingAndTextsCutAt199) {
    TempFolder program, data;
    auto lng = [&] { return languageFilePath(program.path(), "English", data.path()); };
    EXPECT_EQ(GetLanguageString("FORM1", 10, lng()), "Err!!");  // no file
    writeBytes(data / "English.lng", "[FORM1]\n10=Run\n6=\n1=" + std::string(250, 'w') + "\n");
    Language english;
    ASSERT_TRUE(english.load("English", lng()));
    EXPECT_EQ(english.text("FORM1", 10), "Run");
    EXPECT_EQ(english.text("FORM1", 1), std::string(199, 'w'));
    EXPECT_EQ(GetLanguageString("FORM1", 11, lng()), "Err!!");
    EXPECT_EQ(GetLanguageString("FORM1", 6, lng()), "");  // empty, not missing
    EXPECT_EQ(GetLanguageString("FORM1", 1, lng()), std::string(199, 'w'));
}

// The chosen language is read once: a later change of its file shows only when it is
// chosen again. A French file that cannot be read, whatever it is, gives the English
// texts and says why; nothing waits on a FIFO or fills memory from a device.
TEST(Language, ReadOnceAndEnglishForAFileThatCannotBeRead) {
    TempFolder program;
    const auto english = program / "English.lng", french = program / pathFromUtf8("Français.lng");
    writeBytes(english, "[FORM1]\n10=Run\n");
    writeBytes(french, "[FORM1]\n10=Mesurer\n");
    Language language;
    auto loadFrench = [&] { return language.load("Français", french, english); };
    ASSERT_TRUE(loadFrench());
    writeBytes(french, "[FORM1]\n10=Changed\n");
    EXPECT_EQ(language.text("FORM1", 10), "Mesurer");
    EXPECT_EQ(language.text("FORM1", 11), "Err!!");

    const testing::MemoryCeiling ceiling(200);
    for (testing::Hostile h : testing::everyHostileFile()) {
        SCOPED_TRACE(testing::hostileName(h));
        ASSERT_TRUE(testing::makeHostileFile(french, h));
        const Status read = loadFrench();
        EXPECT_FALSE(read);
        EXPECT_FALSE(read.message().empty());
        EXPECT_EQ(language.text("FORM1", 10), "Run");
        EXPECT_EQ(language.file(), english);
    }
    std::filesystem::remove_all(french);
    EXPECT_EQ(loadFrench().failure(), Failure::NotFound);
    EXPECT_EQ(language.text("FORM1", 10), "Run");
    writeBytes(french, "[FORM1]\n10=Mesurer\n");
    ::chmod(french.c_str(), 0);
    const testing::ActAsUnprivilegedUser nobody;
    if (::access(french.c_str(), R_OK) != 0) {
        EXPECT_EQ(loadFrench().failure(), Failure::NotPermitted);
        EXPECT_EQ(language.text("FORM1", 10), "Run");
    }
}

// Both files have the same keys; every text is there whole, quotes and blanks as
// written; two-state buttons have two different captions.
TEST(LanguageFiles, SameKeysInBothAndEveryTextWhole) {
    const std::filesystem::path dir(VELLORA_SOURCE_LANG_DIR);
    const std::filesystem::path files[] = {dir / "English.lng", dir / pathFromUtf8("Français.lng")};
    auto keys = [](const testing::LanguageTexts& texts) {
        std::vector<std::pair<std::string, int>> out;
        for (const auto& entry : texts) out.push_back(entry.first);
        return out;
    };
    EXPECT_EQ(keys(testing::languageTexts(files[0])), keys(testing::languageTexts(files[1])));
    EXPECT_GE(testing::languageTexts(files[0]).size(), 100u);
    for (const auto& file : files) {
        for (const auto& [where, written] : testing::languageTexts(file)) {
            const auto& [section, key] = where;
            SCOPED_TRACE(pathToUtf8(file.filename()) + " " + section + " " + std::to_string(key));
            const bool quoted =
                written.size() >= 2 && written.front() == '"' && written.back() == '"';
            const std::string text = GetLanguageString(section, key, file);
            EXPECT_FALSE(text.empty());
            EXPECT_EQ(text, quoted ? written.substr(1, written.size() - 2) : written);
        }
        EXPECT_EQ(GetLanguageString("ABOUT", 1, file).back(), ' ');  // "About " + "Vellora"
        EXPECT_EQ(GetLanguageString("ABOUT", 2, file).back(), ' ');
        for (const auto& [idle, active] : {std::pair{10, 23}, {6, 22}, {8, 24}, {7, 25}})
            EXPECT_NE(GetLanguageString("FORM1", idle, file),
                      GetLanguageString("FORM1", active, file));
    }
}

}  // namespace
}  // namespace vellora
