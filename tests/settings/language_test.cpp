// GetLanguageString and the two language files shipped with the program.
#include "settings/language.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>
#include <set>
#include <sstream>

#include "ini/profile_encoding.h"
#include "support/profile_test_support.h"

namespace vellora {
namespace {

using testing::readBytes;
using testing::TempFolder;
using testing::writeBytes;

const std::string kFrancais =
    "Fran\xC3\xA7"
    "ais";

// The store's own text rules (quotes, blanks, encodings) are tested with the store.
TEST(GetLanguageString, MissingFileSectionOrKeyGiveErrAndEditsShowAtTheNextLookup) {
    TempFolder dir;
    const auto lng = dir / "English.lng";
    EXPECT_EQ(GetLanguageString("FORM1", "10", lng), "Err!!");  // no file
    writeBytes(lng, "[FORM1]\n10=Run\n6=\n1=" + std::string(250, 'w') + "\n");
    EXPECT_EQ(GetLanguageString("form1", 10, lng), "Run");
    EXPECT_EQ(GetLanguageString("ABOUT", "1", lng), "Err!!");   // no section
    EXPECT_EQ(GetLanguageString("FORM1", "11", lng), "Err!!");  // no key
    EXPECT_EQ(GetLanguageString("FORM1", "6", lng), "");        // empty, not the default
    EXPECT_EQ(GetLanguageString("FORM1", "11", lng, "other"), "other");
    EXPECT_EQ(GetLanguageString("FORM1", 1, lng), std::string(199, 'w'));

    Language language{"English", lng};
    writeBytes(lng, "[FORM1]\n10=Go\n");
    EXPECT_EQ(language.text("FORM1", 10), "Go");
    EXPECT_EQ(Language{}.text("FORM1", 10), "Err!!");  // no path yet
}

// A language file edited by hand: one stray Windows-1252 byte in a comment leaves the
// accented UTF-8 captions as they are; a Windows-1252 line reads as Windows-1252. A FIFO
// in its place reads as a missing file at once.
TEST(GetLanguageString, EachLineKeepsItsOwnEncodingAndAFifoIsNoLanguageFile) {
    TempFolder dir;
    const auto lng = dir / (kFrancais + ".lng");
    writeBytes(lng, "; r\xE9glages \xE0 la main\n[FORM1]\n10=D\xC3\xA9marrer\n11=Arr\xEAt\n");
    EXPECT_EQ(GetLanguageString("FORM1", 10, lng), "D\xC3\xA9marrer");
    EXPECT_EQ(GetLanguageString("FORM1", 11, lng), "Arr\xC3\xAAt");

    ASSERT_EQ(::mkfifo((dir / "English.lng").c_str(), 0644), 0);
    EXPECT_EQ(GetLanguageString("FORM1", 10, dir / "English.lng"), "Err!!");
}

// ---- The shipped language files ----

using KeyTexts = std::map<std::string, std::map<int, std::string>>;  // section -> key -> raw

// Every section and numeric key of a language file, with the raw text after "=".
KeyTexts keysOf(const std::string& text) {
    KeyTexts keys;
    std::istringstream in(text);
    std::string line, section;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            section = line.substr(1, line.find(']') - 1);
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        keys[section][std::stoi(line.substr(0, eq))] = line.substr(eq + 1);
    }
    return keys;
}

std::filesystem::path sourceFile(const std::string& name) {
    return std::filesystem::path(VELLORA_SOURCE_LANG_DIR) /
           std::filesystem::path(
               std::u8string(reinterpret_cast<const char8_t*>(name.data()), name.size()));
}

class LanguageFile : public ::testing::TestWithParam<std::string> {};

TEST_P(LanguageFile, IsUtf8AndHoldsOneWholeTextPerKey) {
    const auto path = sourceFile(GetParam() + ".lng");
    const std::string bytes = readBytes(path);
    ASSERT_FALSE(bytes.empty()) << path;
    EXPECT_TRUE(isValidUtf8(bytes));
    EXPECT_NE(bytes.substr(0, 3), "\xEF\xBB\xBF");
    const KeyTexts keys = keysOf(bytes);
    // At least these keys, numbered from 1 (later keys come in reserved ranges, so a
    // gap may stay between them; both files have the same keys, see below).
    const std::map<std::string, int> atLeast = {
        {"FORM1", 42}, {"ABOUT", 6}, {"CALIBRATION", 4}, {"BELT", 48}};
    for (const auto& [section, count] : atLeast) {
        ASSERT_TRUE(keys.count(section)) << section;
        EXPECT_GE(int(keys.at(section).size()), count) << section;
    }
    for (const auto& [section, texts] : keys) {
        EXPECT_EQ(texts.begin()->first, 1) << section;
        for (const auto& [key, written] : texts) {
            const std::string text = GetLanguageString(section, key, path);
            EXPECT_FALSE(text.empty()) << section << " " << key;
            // Nothing is cut: the text read is the whole text written.
            std::string raw = written;
            if (raw.size() >= 2 && raw.front() == '"' && raw.back() == '"')
                raw = raw.substr(1, raw.size() - 2);
            EXPECT_EQ(text, raw) << section << " " << key;
        }
    }
    // Texts that others follow directly, or that follow others, keep their blanks.
    EXPECT_EQ(GetLanguageString("ABOUT", 1, path).back(), ' ');
    EXPECT_EQ(GetLanguageString("ABOUT", 2, path).back(), ' ');
    EXPECT_EQ(GetLanguageString("FORM1", 26, path).back(), ' ');
    EXPECT_EQ(GetLanguageString("FORM1", 27, path).front(), ' ');
    EXPECT_EQ(GetLanguageString("FORM1", 28, path).back(), ' ');
    EXPECT_EQ(GetLanguageString("FORM1", 29, path).front(), ' ');
    // The messages that name a folder or a value have the place for it.
    EXPECT_NE(GetLanguageString("FORM1", 32, path).find("%1"), std::string::npos);
    EXPECT_NE(GetLanguageString("FORM1", 34, path).find("%1"), std::string::npos);
    EXPECT_NE(GetLanguageString("FORM1", 53, path).find("%1"), std::string::npos);
    // Two-state buttons: the two captions must differ, or the handlers cannot tell.
    for (const auto& [idle, active] : {std::pair{10, 23}, {6, 22}, {8, 24}, {7, 25}})
        EXPECT_NE(GetLanguageString("FORM1", idle, path), GetLanguageString("FORM1", active, path));
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, LanguageFile, ::testing::Values("English", kFrancais),
                         [](const auto& info) { return info.index == 0 ? "English" : "Francais"; });

TEST(LanguageFiles, BothDefineTheSameKeys) {
    const KeyTexts en = keysOf(readBytes(sourceFile("English.lng")));
    const KeyTexts fr = keysOf(readBytes(sourceFile(kFrancais + ".lng")));
    ASSERT_EQ(en.size(), fr.size());
    for (const auto& [section, texts] : en) {
        ASSERT_TRUE(fr.count(section)) << section;
        std::set<int> a, b;
        for (const auto& [k, v] : texts) a.insert(k);
        for (const auto& [k, v] : fr.at(section)) b.insert(k);
        EXPECT_EQ(a, b) << section;
    }
}

TEST(LanguageFiles, TheFrenchTextsAreTheFrenchDesignCaptions) {
    const auto fr = sourceFile(kFrancais + ".lng");
    const std::pair<const char*, std::string> samples[] = {
        {"FORM1/1", "Visualisation des fr\xC3\xA9quences (v1.5.3) - Par Maruvel"},
        {"FORM1/8", "D\xC3\xA9marrer calibration"},
        {"FORM1/9", "Quitter"},
        {"FORM1/10", "Mesurer"},
        {"FORM1/14", "Fr\xC3\xA9quence du signal max"},
        {"CALIBRATION/1", "Choix de la fr\xC3\xA9quence de calibration"},
        {"CALIBRATION/2", "Choisissez votre fr\xC3\xA9quence de calibration"},
        {"CALIBRATION/4", "Fermer"},
    };
    for (const auto& [where, caption] : samples) {
        const std::string w = where;
        EXPECT_EQ(GetLanguageString(w.substr(0, w.find('/')), w.substr(w.find('/') + 1), fr),
                  caption)
            << where;
    }
    EXPECT_EQ(GetLanguageString("ABOUT", 1, fr) + "Vellora", "\xC3\x80 propos de Vellora");
    EXPECT_EQ(GetLanguageString("ABOUT", 2, fr) + "1.5.3", "Version 1.5.3");
}

TEST(LanguageFiles, AreCopiedBesideTheBuiltProgram) {
    for (const std::string& name : {std::string("English.lng"), kFrancais + ".lng"}) {
        const std::filesystem::path copy =
            std::filesystem::path(VELLORA_RUNTIME_LANG_DIR) /
            std::filesystem::path(
                std::u8string(reinterpret_cast<const char8_t*>(name.data()), name.size()));
        EXPECT_EQ(readBytes(copy), readBytes(sourceFile(name))) << copy;
    }
}

}  // namespace
}  // namespace vellora
