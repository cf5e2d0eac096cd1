// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "ini/profile.h"
#include "ini/profile_document.h"
#include "ini/profile_encoding.h"
#include "ini/profile_text.h"
#include "support/profile_test_support.h"

namespace vellora {
namespace {

using testing::readBytes;
using testing::TempFolder;
using testing::writeBytes;

const std::string kFrancais = "Fran\u00E7ais";
const std::string kFrancais1252 = "Fran\xE7\x61is";  // as the Windows version wrote it

TEST(ProfileText, LookupIsCaseBlindFirstSectionWinsAndValuesLoseBlanksAndOnePairOfQuotes) {
    const std::string text =
        "top=1\n[Settings]\nNIVEAU=300\n;c=2\n[settings]\nother=4\n[S] trailing words\n"
        "plain =  inner  blanks \t\ndq=\"  kept  \"\nsq=' s '\nmixed=\"abc'\nempty=\nquotes=\"\"\n";
    const struct {
        const char *section, *key;
        std::optional<std::string> value;
    } cases[] = {{"SETTINGS", "niveau", "300"},
                 {"settings", "other", std::nullopt},
                 {"Settings", ";c", std::nullopt},
                 {"MISSING", "top", std::nullopt},
                 {"S", "plain", "inner  blanks"},
                 {"S", "dq", "  kept  "},
                 {"S", "mixed", "\"abc'"},
                 {"S", "empty", ""},
                 {"S", "quotes", ""}};
    for (const auto& c : cases)
        EXPECT_EQ(profileLookup(text, c.section, c.key), c.value) << c.section << "/" << c.key;
}

TEST(ProfileText, WritesKeepEveryOtherByteAndReadBackExactly) {
    std::string text = profileSet("", "POSITIONS", "Left", "0");
    text = profileSet(text, "SETTINGS", "Amplification", "266");
    text = profileSet(text, "POSITIONS", "Height", "11220");
    EXPECT_EQ(text, "[POSITIONS]\nLeft=0\nHeight=11220\n[SETTINGS]\nAmplification=266\n");

    // Replaced in place; a new key after the section's last non-blank line; a new section
    // after a last line without its line end; the file's own line ends.
    const std::string before = "; c\n[settings]\n  niveau = 300 ; old\nExtra=1\n\n[Last]\nx=y";
    std::string after = profileSet(before, "SETTINGS", "Niveau", "263");
    after = profileSet(after, "Settings", "Langue", "English");
    after = profileSet(after, "POSITIONS", "Top", "5");
    EXPECT_EQ(after,
              "; c\n[settings]\nniveau=263\nExtra=1\nLangue=English\n\n[Last]\nx=y\n"
              "[POSITIONS]\nTop=5\n");
    std::string crlf = profileSet("[SETTINGS]\r\nNiveau=300\r\n", "SETTINGS", "Langue", "E");
    EXPECT_EQ(profileSet(crlf, "P", "T", "0"),
              "[SETTINGS]\r\nNiveau=300\r\nLangue=E\r\n[P]\r\nT=0\r\n");

    // Values that would lose characters are quoted.
    for (const std::string value : {" lead", "trail ", "\"both\"", "'single'", "\"", "a = b", ""})
        EXPECT_EQ(profileLookup(profileSet("", "S", "k", value), "S", "k"), value);
    EXPECT_EQ(profileSet("", "S", "k", " x"), "[S]\nk=\" x\"\n");
}

TEST(ProfileText, NamesAndValuesThatCannotBeStoredAreRefused) {
    const std::pair<const char*, const char*> refused[] = {{"", "k"},    {"S]", "k"}, {"S", "a=b"},
                                                           {"S", ";k"},  {" S", "k"}, {"S\n", "k"},
                                                           {"S", "\xFF"}};
    for (const auto& [section, key] : refused)
        EXPECT_FALSE(isWritableProfileName(section, key)) << section << "/" << key;
    EXPECT_TRUE(isWritableProfileValue(kFrancais));
    for (const std::string& value :
         {std::string("two\nlines"), std::string("nul\0", 4), kFrancais1252})
        EXPECT_FALSE(isWritableProfileValue(value)) << value;
}

TEST(ProfileText, IntegersReadAsTheWindowsServiceReadsThem) {  // wrapping as it does
    const std::pair<const char*, int32_t> cases[] = {
        {"12.7", 12}, {"abc", 0}, {" -42 Hz", -42}, {"4294967295", -1}, {"4294967296", 0}};
    for (const auto& [text, value] : cases) EXPECT_EQ(profileParseInt(text), value) << text;
}

TEST(ProfileEncoding, EachLineIsUtf8WhenValidAndWindows1252Otherwise) {
    for (const char* bad : {"\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82"})
        EXPECT_FALSE(isValidUtf8(bad)) << bad;  // overlong, surrogate, past U+10FFFF, cut short
    EXPECT_EQ(decodeProfileBytes("\x80\x93\x81"), "\xE2\x82\xAC\xE2\x80\x9C\xC2\x81");
    EXPECT_EQ(decodeProfileBytes("\xEF\xBB\xBF[S]\na=\xC3\xA9\r\n;\xE9\n"),
              "[S]\na=\xC3\xA9\r\n;\xC3\xA9\n");
}

// A Windows-1252 line of the old version reads as such; lines not written keep their bytes,
// through single keys and whole sections alike, and an update keeps what others wrote.
TEST(ProfileFile, WritesChangeOnlyTheirLinesAndKeepWhatOthersWrote) {
    TempFolder dir;
    const auto ini = dir / "Vellora.ini";
    writeBytes(ini, "\xEF\xBB\xBF[SETTINGS]\r\n; r\xE9glages\r\nAncien=" + kFrancais1252 +
                        "\r\n[BELT " + kFrancais + "]\r\nSpan=0.4\r\n");
    EXPECT_EQ(GetPrivateProfileStringA("SETTINGS", "Ancien", "", 100, ini), kFrancais);
    // As the service copies into a buffer ended by a NUL: five characters for six.
    EXPECT_EQ(GetPrivateProfileStringA("SETTINGS", "Ancien", "", 6, ini), "Fran\u00E7");

    ASSERT_TRUE(WritePrivateProfileStringA("SETTINGS", "Niveau", "262", ini));
    ASSERT_TRUE(UpdatePrivateProfile(ini, [&](ProfileDocument& d) {
        const ProfileKeyValue span{"Span", "0.6"};
        return d.replaceSection("BELT " + kFrancais, std::span(&span, 1));
    }));
    EXPECT_EQ(readBytes(ini), "\xEF\xBB\xBF[SETTINGS]\r\n; r\xE9glages\r\nAncien=" + kFrancais1252 +
                                  "\r\nNiveau=262\r\n[BELT " + kFrancais + "]\r\nSpan=0.6\r\n");
}

TEST(ProfileFile, FailedWritesAreReportedAndKeepTheFile) {
    TempFolder dir;
    const auto ini = dir / "Vellora.ini";
    const std::string before = "[SETTINGS]\nNiveau=300\n";
    writeBytes(ini, before);
    EXPECT_FALSE(WritePrivateProfileStringA("SETTINGS", "k", "two\nlines", ini));

    std::string error;
    EXPECT_FALSE(WritePrivateProfileStringA("S", "k", "v", dir / "no" / "Vellora.ini", &error));
    EXPECT_NE(error.find("Vellora.ini"), std::string::npos) << error;

    ::chmod(ini.c_str(), 0200);  // exists, cannot be read: must not be replaced
    {
        testing::ActAsUnprivilegedUser user;
        if (std::FILE* readable = std::fopen(ini.c_str(), "rb")) {
            std::fclose(readable);
            GTEST_SKIP() << "permissions are not enforced here";
        }
        EXPECT_EQ(GetPrivateProfileIntA("SETTINGS", "Niveau", 246, ini), 246);
        EXPECT_FALSE(WritePrivateProfileStringA("SETTINGS", "Niveau", "263", ini));
        ProfileDocument d;
        EXPECT_EQ(ReadPrivateProfile(ini, d).failure(), Failure::NotPermitted);
    }
    ::chmod(ini.c_str(), 0644);
    EXPECT_EQ(readBytes(ini), before);
}

// Neither read (a FIFO would hang the read, a huge file fill the memory) nor replaced.
TEST(ProfileFile, WhatIsNoSettingsFileIsRefusedAndLeftAsItIs) {
    TempFolder dir;
    ASSERT_EQ(::mkfifo((dir / "fifo.ini").c_str(), 0644), 0);
    std::filesystem::create_directory(dir / "folder.ini");
    writeBytes(dir / "big.ini", "[SETTINGS]\nNiveau=300\n");
    std::filesystem::resize_file(dir / "big.ini", kLargestProfileFile + 1);
    const std::pair<const char*, Failure> cases[] = {{"fifo.ini", Failure::NotRegularFile},
                                                     {"folder.ini", Failure::NotRegularFile},
                                                     {"big.ini", Failure::TooLarge}};
    for (const auto& [name, failure] : cases) {
        SCOPED_TRACE(name);
        ProfileDocument d;
        EXPECT_EQ(ReadPrivateProfile(dir / name, d).failure(), failure);
        EXPECT_FALSE(WritePrivateProfileStringA("SETTINGS", "Niveau", "1", dir / name));
        EXPECT_EQ(GetPrivateProfileIntA("SETTINGS", "Niveau", 7, dir / name), 7);
    }
}

}  // namespace
}  // namespace vellora
