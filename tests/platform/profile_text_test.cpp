// The profile layout rules on text in memory: lookup, case-blind names, quotes and
// blanks, where new keys and sections go, what is kept, integer reading, encodings.
#include "platform/profile_text.h"

#include <gtest/gtest.h>

#include "platform/profile_encoding.h"

namespace vellora {
namespace {

TEST(ProfileText, SectionAndKeyNamesMatchWithoutRegardToCase) {
    const std::string text = "[Settings]\nNIVEAU=300\n[positions]\ntop=12\n";
    EXPECT_EQ(profileLookup(text, "SETTINGS", "Niveau"), "300");
    EXPECT_EQ(profileLookup(text, "settings", "niveau"), "300");
    EXPECT_EQ(profileLookup(text, "POSITIONS", "Top"), "12");
    EXPECT_EQ(profileLookup(text, "POSITIONS", "Niveau"), std::nullopt);  // other section
    EXPECT_EQ(profileLookup(text, "MISSING", "Top"), std::nullopt);
}

TEST(ProfileText, OnlyTheFirstMatchingSectionAndKeyCount) {
    const std::string text = "[A]\nk=1\nk=2\n[a]\nk=3\nj=4\n";
    EXPECT_EQ(profileLookup(text, "A", "k"), "1");
    EXPECT_EQ(profileLookup(text, "A", "j"), std::nullopt);
}

TEST(ProfileText, BlanksAndOnePairOfQuotesAreRemoved) {
    const std::string text =
        "[S]\n"
        "plain =  value with inner  blanks \t\n"
        "dq=\"  kept blanks  \"\n"
        "sq=' single '\n"
        "twice=\"\"quoted\"\"\n"
        "mixed=\"abc'\n"
        "lone=\"\n"
        "empty=\n"
        "blank=   \n"
        "quotedEmpty=\"\"\n"
        "  indented  = x\n";
    EXPECT_EQ(profileLookup(text, "S", "plain"), "value with inner  blanks");
    EXPECT_EQ(profileLookup(text, "S", "dq"), "  kept blanks  ");
    EXPECT_EQ(profileLookup(text, "S", "sq"), " single ");
    EXPECT_EQ(profileLookup(text, "S", "twice"), "\"quoted\"");
    EXPECT_EQ(profileLookup(text, "S", "mixed"), "\"abc'");
    EXPECT_EQ(profileLookup(text, "S", "lone"), "\"");
    EXPECT_EQ(profileLookup(text, "S", "empty"), "");
    EXPECT_EQ(profileLookup(text, "S", "blank"), "");
    EXPECT_EQ(profileLookup(text, "S", "quotedEmpty"), "");
    EXPECT_EQ(profileLookup(text, "S", "indented"), "x");
}

TEST(ProfileText, CommentsAndLinesWithoutEqualsAreNoKeys) {
    const std::string text = "top=1\n[S]\n;k=2\nk\n[T] trailing words\nk=3\n";
    EXPECT_EQ(profileLookup(text, "S", "k"), std::nullopt);
    EXPECT_EQ(profileLookup(text, "S", ";k"), std::nullopt);
    EXPECT_EQ(profileLookup(text, "T", "k"), "3");
}

TEST(ProfileText, ANewKeyGoesAtTheEndOfItsSectionANewSectionAtTheEndOfTheFile) {
    std::string text;
    text = profileSet(text, "POSITIONS", "Left", "0");
    text = profileSet(text, "POSITIONS", "Top", "0");
    text = profileSet(text, "SETTINGS", "Amplification", "266");
    text = profileSet(text, "POSITIONS", "Height", "11220");
    EXPECT_EQ(text, "[POSITIONS]\nLeft=0\nTop=0\nHeight=11220\n[SETTINGS]\nAmplification=266\n");
}

TEST(ProfileText, AnExistingKeyIsOverwrittenInPlaceAndEverythingElseKept) {
    const std::string before =
        "; a comment before any section\n"
        "\n"
        "[Other]\n"
        "Unknown = keep me  \n"
        "[settings]\n"
        "  niveau = 300 ; old\n"
        "NoEquals line\n"
        "Extra=1\n"
        "\n"
        "\n"
        "[Last]\n"
        "x=y";
    std::string after = profileSet(before, "SETTINGS", "Niveau", "263");
    EXPECT_EQ(after,
              "; a comment before any section\n"
              "\n"
              "[Other]\n"
              "Unknown = keep me  \n"
              "[settings]\n"
              "niveau=263\n"
              "NoEquals line\n"
              "Extra=1\n"
              "\n"
              "\n"
              "[Last]\n"
              "x=y");
    // A new key goes after the section's last non-blank line, before its blank lines.
    after = profileSet(after, "Settings", "Langue", "English");
    EXPECT_NE(after.find("Extra=1\nLangue=English\n\n\n[Last]\n"), std::string::npos) << after;
    // A new section after a last line without a line end.
    after = profileSet(after, "POSITIONS", "Top", "5");
    EXPECT_NE(after.find("[Last]\nx=y\n[POSITIONS]\nTop=5\n"), std::string::npos) << after;
    // A new key in the last section, whose last line had no line end.
    const std::string last = profileSet("[S]\na=1", "S", "b", "2");
    EXPECT_EQ(last, "[S]\na=1\nb=2\n");
}

TEST(ProfileText, CrlfTextsGetCrlfLines) {
    const std::string crlf = "[SETTINGS]\r\nNiveau=300\r\n";
    std::string after = profileSet(crlf, "SETTINGS", "Niveau", "263");
    EXPECT_EQ(after, "[SETTINGS]\r\nNiveau=263\r\n");
    after = profileSet(after, "SETTINGS", "Langue", "English");
    after = profileSet(after, "POSITIONS", "Top", "0");
    EXPECT_EQ(after, "[SETTINGS]\r\nNiveau=263\r\nLangue=English\r\n[POSITIONS]\r\nTop=0\r\n");
}

TEST(ProfileText, ValuesThatWouldLoseCharactersAreQuotedAndReadBackExactly) {
    for (const std::string value :
         {" lead", "trail ", "\"both\"", "'single'", "\"", "\"\"", "a = b", "", "x\"", " \" "}) {
        const std::string text = profileSet("", "S", "k", value);
        EXPECT_EQ(profileLookup(text, "S", "k"), value) << text;
    }
    EXPECT_EQ(profileSet("", "S", "k", "plain"), "[S]\nk=plain\n");
    EXPECT_EQ(profileSet("", "S", "k", " x"), "[S]\nk=\" x\"\n");
}

TEST(ProfileText, NamesAndValuesThatCannotBeStored) {
    EXPECT_TRUE(isWritableProfileName("SETTINGS", "Niveau"));
    EXPECT_FALSE(isWritableProfileName("", "k"));
    EXPECT_FALSE(isWritableProfileName("S", ""));
    EXPECT_FALSE(isWritableProfileName("S]", "k"));
    EXPECT_FALSE(isWritableProfileName("S", "a=b"));
    EXPECT_FALSE(isWritableProfileName("S", ";k"));
    EXPECT_FALSE(isWritableProfileName("S", "[k"));
    EXPECT_FALSE(isWritableProfileName(" S", "k"));
    EXPECT_FALSE(isWritableProfileName("S", "k "));
    EXPECT_FALSE(isWritableProfileName("S\n", "k"));
    EXPECT_FALSE(isWritableProfileName("S", "\xFF"));
    EXPECT_TRUE(
        isWritableProfileValue("Fran\xC3\xA7"
                               "ais"));
    EXPECT_FALSE(isWritableProfileValue("two\nlines"));
    EXPECT_FALSE(isWritableProfileValue("cr\r"));
    EXPECT_FALSE(isWritableProfileValue(std::string("nul\0", 4)));
    EXPECT_FALSE(
        isWritableProfileValue("Fran\xE7"
                               "ais"));  // Windows-1252, not UTF-8
}

TEST(ProfileText, IntegerReading) {
    EXPECT_EQ(profileParseInt("12.7"), 12);
    EXPECT_EQ(profileParseInt("abc"), 0);
    EXPECT_EQ(profileParseInt("-5"), -5);
    EXPECT_EQ(profileParseInt("+7"), 7);
    EXPECT_EQ(profileParseInt("-"), 0);
    EXPECT_EQ(profileParseInt("  42 Hz"), 42);
    EXPECT_EQ(profileParseInt("0x10"), 0);
    EXPECT_EQ(profileParseInt("40000"), 40000);
    EXPECT_EQ(profileParseInt("2147483647"), 2147483647);
    EXPECT_EQ(profileParseInt("-2147483648"), INT32_MIN);
    EXPECT_EQ(profileParseInt("4294967295"), -1);  // wraps as the service's conversion does
    EXPECT_EQ(profileParseInt("4294967296"), 0);
    // Only the first 29 characters are read.
    EXPECT_EQ(profileParseInt(std::string(28, '0') + "12"), 1);
}

TEST(ProfileEncoding, Utf8IsKeptAndAnythingElseIsWindows1252) {
    EXPECT_TRUE(
        isValidUtf8("Fran\xC3\xA7"
                    "ais"));
    EXPECT_FALSE(
        isValidUtf8("Fran\xE7"
                    "ais"));
    EXPECT_FALSE(isValidUtf8("\xC0\xAF"));          // overlong
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));      // surrogate
    EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80"));  // above U+10FFFF
    EXPECT_FALSE(isValidUtf8("\xE2\x82"));          // cut short
    EXPECT_EQ(decodeProfileBytes("Langue=Fran\xE7"
                                 "ais"),
              "Langue=Fran\xC3\xA7"
              "ais");
    EXPECT_EQ(decodeProfileBytes("\x80\x93\x94\x81"),
              "\xE2\x82\xAC\xE2\x80\x9C\xE2\x80\x9D\xC2\x81");
    EXPECT_EQ(decodeProfileBytes("\xEF\xBB\xBF[S]\n"), "[S]\n");  // the mark is dropped
    EXPECT_EQ(decodeProfileBytes("\xC3\xA9t\xC3\xA9"), "\xC3\xA9t\xC3\xA9");
}

TEST(ProfileEncoding, PrefixesEndOnCharacterBoundaries) {
    EXPECT_EQ(utf8Prefix("Fran\xC3\xA7"
                         "ais",
                         5),
              "Fran\xC3\xA7");
    EXPECT_EQ(utf8Prefix("Fran\xC3\xA7"
                         "ais",
                         4),
              "Fran");
    EXPECT_EQ(utf8Prefix("abc", 10), "abc");
    EXPECT_EQ(utf8Prefix("abc", 0), "");
}

}  // namespace
}  // namespace vellora
