// The profile store: the layout rules on text in memory, then real files, including
// writes that fail without harming the file.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>

#include "common/atomic_file.h"

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

const std::string kFrancais =
    "Fran\xC3\xA7"
    "ais";
const std::string kFrancais1252 =
    "Fran\xE7"
    "ais";

TEST(ProfileText, LookupIsCaseBlindFirstMatchWinsAndValuesLoseBlanksAndOnePairOfQuotes) {
    const std::string text =
        "top=1\n[Settings]\nNIVEAU=300\nniveau=301\n;c=2\nnoequals\n[settings]\nother=4\n"
        "[S] trailing words\n"
        "plain =  value with inner  blanks \t\n"
        "dq=\"  kept blanks  \"\nsq=' single '\ntwice=\"\"q\"\"\nmixed=\"abc'\nlone=\"\n"
        "empty=\nquotedEmpty=\"\"\n  indented  = x\n";
    const struct {
        const char *section, *key;
        std::optional<std::string> value;
    } cases[] = {
        {"SETTINGS", "Niveau", "300"},
        {"settings", "other", std::nullopt},  // only the first matching section counts
        {"Settings", "c", std::nullopt},
        {"Settings", ";c", std::nullopt},
        {"MISSING", "top", std::nullopt},
        {"S", "plain", "value with inner  blanks"},
        {"S", "dq", "  kept blanks  "},
        {"S", "sq", " single "},
        {"S", "twice", "\"q\""},
        {"S", "mixed", "\"abc'"},
        {"S", "lone", "\""},
        {"S", "empty", ""},
        {"S", "quotedEmpty", ""},
        {"S", "indented", "x"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(profileLookup(text, c.section, c.key), c.value) << c.section << "/" << c.key;
}

TEST(ProfileText, WritesKeepEveryOtherByteAndPlaceNewKeysAndSections) {
    std::string text;
    text = profileSet(text, "POSITIONS", "Left", "0");
    text = profileSet(text, "SETTINGS", "Amplification", "266");
    text = profileSet(text, "POSITIONS", "Height", "11220");
    EXPECT_EQ(text, "[POSITIONS]\nLeft=0\nHeight=11220\n[SETTINGS]\nAmplification=266\n");

    const std::string before =
        "; a comment before any section\n\n[Other]\nUnknown = keep me  \n[settings]\n"
        "  niveau = 300 ; old\nNoEquals line\nExtra=1\n\n\n[Last]\nx=y";
    std::string after = profileSet(before, "SETTINGS", "Niveau", "263");
    EXPECT_EQ(after,
              "; a comment before any section\n\n[Other]\nUnknown = keep me  \n[settings]\n"
              "niveau=263\nNoEquals line\nExtra=1\n\n\n[Last]\nx=y");
    // After the section's last non-blank line, before its blank lines.
    after = profileSet(after, "Settings", "Langue", "English");
    EXPECT_NE(after.find("Extra=1\nLangue=English\n\n\n[Last]\n"), std::string::npos) << after;
    // After a last line without a line end.
    after = profileSet(after, "POSITIONS", "Top", "5");
    EXPECT_NE(after.find("[Last]\nx=y\n[POSITIONS]\nTop=5\n"), std::string::npos) << after;
    EXPECT_EQ(profileSet("[S]\na=1", "S", "b", "2"), "[S]\na=1\nb=2\n");

    std::string crlf = profileSet("[SETTINGS]\r\nNiveau=300\r\n", "SETTINGS", "Niveau", "263");
    crlf = profileSet(crlf, "SETTINGS", "Langue", "English");
    crlf = profileSet(crlf, "POSITIONS", "Top", "0");
    EXPECT_EQ(crlf, "[SETTINGS]\r\nNiveau=263\r\nLangue=English\r\n[POSITIONS]\r\nTop=0\r\n");
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
    const std::pair<const char*, const char*> refused[] = {
        {"", "k"},   {"S", ""},   {"S]", "k"}, {"S", "a=b"}, {"S", ";k"},
        {"S", "[k"}, {" S", "k"}, {"S", "k "}, {"S\n", "k"}, {"S", "\xFF"}};
    for (const auto& [section, key] : refused)
        EXPECT_FALSE(isWritableProfileName(section, key)) << section << "/" << key;
    EXPECT_TRUE(isWritableProfileValue(kFrancais));
    for (const std::string& value :
         {std::string("two\nlines"), std::string("cr\r"), std::string("nul\0", 4), kFrancais1252})
        EXPECT_FALSE(isWritableProfileValue(value)) << value;
}

TEST(ProfileText, IntegerReading) {
    const std::pair<std::string, int32_t> cases[] = {
        {"12.7", 12},
        {"abc", 0},
        {"-5", -5},
        {"+7", 7},
        {"-", 0},
        {"  42 Hz", 42},
        {"0x10", 0},
        {"2147483647", 2147483647},
        {"-2147483648", INT32_MIN},
        {"4294967295", -1},  // wraps as the service's conversion does
        {"4294967296", 0},
        {std::string(28, '0') + "12", 1},  // only the first 29 characters are read
    };
    for (const auto& [text, value] : cases) EXPECT_EQ(profileParseInt(text), value) << text;
}

TEST(ProfileEncoding, EachLineIsUtf8WhenValidAndWindows1252Otherwise) {
    EXPECT_TRUE(isValidUtf8(kFrancais));
    for (const char* bad : {"Fran\xE7"
                            "ais",
                            "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80",
                            "\xE2\x82"})  // 1252, overlong, surrogate, above U+10FFFF, cut short
        EXPECT_FALSE(isValidUtf8(bad)) << bad;
    EXPECT_EQ(decodeProfileBytes("\x80\x93\x94\x81"),
              "\xE2\x82\xAC\xE2\x80\x9C\xE2\x80\x9D\xC2\x81");
    EXPECT_EQ(decodeProfileBytes("\xEF\xBB\xBF[S]\n"), "[S]\n");  // the mark is dropped
    EXPECT_EQ(decodeProfileBytes("\xC3\xA9t\xC3\xA9"), "\xC3\xA9t\xC3\xA9");
    // Line by line: the UTF-8 line is not read as Windows-1252 because of its neighbour.
    EXPECT_EQ(decodeProfileBytes("a=\xC3\xA9\r\n;\xE9\nb=\xE9"),
              "a=\xC3\xA9\r\n;\xC3\xA9\nb=\xC3\xA9");
    EXPECT_EQ(utf8Prefix(kFrancais, 5), "Fran\xC3\xA7");
    EXPECT_EQ(utf8Prefix(kFrancais, 4), "Fran");
}

TEST(ProfileFile, MissingFileGivesDefaultsAndEachCallReadsTheFileAfresh) {
    TempFolder dir;
    const auto ini = dir / "Vellora.ini";
    EXPECT_EQ(GetPrivateProfileIntA("POSITIONS", "Height", 11220, ini), 11220);
    EXPECT_EQ(GetPrivateProfileStringA("SETTINGS", "Langue", kFrancais, 100, ini), kFrancais);
    EXPECT_FALSE(std::filesystem::exists(ini));
    ASSERT_TRUE(WritePrivateProfileStringA("POSITIONS", "Left", "0", ini));
    EXPECT_EQ(readBytes(ini), "[POSITIONS]\nLeft=0\n");
    EXPECT_EQ(GetPrivateProfileIntA("positions", "LEFT", 7, ini), 0);

    writeBytes(ini, "[S]\nQuoted=\"263\"\nEmpty=\nText=\n");
    EXPECT_EQ(GetPrivateProfileIntA("S", "Quoted", 0, ini), 263);
    // An empty value is no value for integers, but the empty text for texts.
    EXPECT_EQ(GetPrivateProfileIntA("S", "Empty", 110, ini), 110);
    EXPECT_EQ(GetPrivateProfileStringA("S", "Text", "Err!!", 200, ini), "");
    EXPECT_EQ(GetPrivateProfileStringA("S", "None", "Err!!", 200, ini), "Err!!");
}

TEST(ProfileFile, ValuesAreCutToTheBufferInCharacters) {
    TempFolder dir;
    const auto ini = dir / "Vellora.ini";
    std::string e150;
    for (int i = 0; i < 150; ++i) e150 += "\xC3\xA9";
    writeBytes(ini, "[SETTINGS]\nLangue=" + std::string(150, 'L') + "\nE=" + e150 + "\n");
    EXPECT_EQ(GetPrivateProfileStringA("SETTINGS", "Langue", "", 100, ini), std::string(99, 'L'));
    EXPECT_EQ(GetPrivateProfileStringA("SETTINGS", "E", "", 100, ini), e150.substr(0, 198));
    EXPECT_EQ(GetPrivateProfileStringA("SETTINGS", "None", "abcdef", 4, ini), "abc");
    EXPECT_EQ(GetPrivateProfileStringA("SETTINGS", "Langue", "x", 0, ini), "");
}

TEST(ProfileFile, EachLineIsReadInItsOwnEncodingAndLinesNotWrittenKeepTheirBytes) {
    TempFolder dir;
    const auto ini = dir / "Vellora.ini";
    // A UTF-8 file with one stray Windows-1252 byte in a comment, a section name and a
    // value from the Windows version, and a byte-order mark.
    const std::string before = "\xEF\xBB\xBF[SETTINGS]\r\nLangue=" + kFrancais +
                               "\r\n; r\xE9glages \xAB anciens \xBB\r\nAncien=" + kFrancais1252 +
                               "\r\n[R\xC9GLAGES]\r\nk=1\r\n";
    writeBytes(ini, before);
    const struct {
        const char *section, *key;
        std::string value;
    } reads[] = {
        {"SETTINGS", "Langue", kFrancais},
        {"SETTINGS", "Ancien", kFrancais},
        {"R\xC3\x89GLAGES", "k", "1"},
    };
    for (const auto& r : reads)
        EXPECT_EQ(GetPrivateProfileStringA(r.section, r.key, "Err!!", 100, ini), r.value) << r.key;

    ASSERT_TRUE(WritePrivateProfileStringA("SETTINGS", "Niveau", "262", ini));
    const std::string withNiveau =
        "\xEF\xBB\xBF[SETTINGS]\r\nLangue=" + kFrancais +
        "\r\n; r\xE9glages \xAB anciens \xBB\r\nAncien=" + kFrancais1252 +
        "\r\nNiveau=262\r\n[R\xC9GLAGES]\r\nk=1\r\n";
    EXPECT_EQ(readBytes(ini), withNiveau);
    EXPECT_EQ(GetPrivateProfileStringA("SETTINGS", "Langue", "", 100, ini), kFrancais);

    // The one line written is UTF-8; the old Windows line and its neighbours stay.
    ASSERT_TRUE(WritePrivateProfileStringA("SETTINGS", "ancien", "\xC3\x89t\xC3\xA9", ini));
    EXPECT_EQ(readBytes(ini), "\xEF\xBB\xBF[SETTINGS]\r\nLangue=" + kFrancais +
                                  "\r\n; r\xE9glages \xAB anciens \xBB\r\nAncien=\xC3\x89t\xC3\xA9"
                                  "\r\nNiveau=262\r\n[R\xC9GLAGES]\r\nk=1\r\n");
    ASSERT_TRUE(WritePrivateProfileStringA("R\xC3\x89GLAGES", "k", "2", ini));
    EXPECT_NE(readBytes(ini).find("[R\xC9GLAGES]\r\nk=2\r\n"), std::string::npos);
}

// The belt set-ups' whole-file reads and section rewrites follow the same rule.
TEST(ProfileFile, WholeFileRewritesDecodeEachLineAndKeepTheOthersBytes) {
    TempFolder dir;
    const auto ini = dir / "Vellora.ini";
    const std::string before =
        "\xEF\xBB\xBF; r\xE9glages\r\n[BELT Fran\xE7ois]\r\nSpan=0.5\r\n"
        "[BELT " +
        kFrancais + "]\r\nSpan=0.4\r\n";
    writeBytes(ini, before);
    ProfileDocument document;
    ASSERT_TRUE(ReadPrivateProfile(ini, document));
    EXPECT_EQ(document.value("BELT Fran\xC3\xA7ois", "Span"), "0.5");
    EXPECT_EQ(document.value("BELT " + kFrancais, "Span"), "0.4");
    ASSERT_TRUE(UpdatePrivateProfile(ini, [&](ProfileDocument& d) {
        const ProfileKeyValue span{"Span", "0.6"};
        return d.replaceSection("BELT " + kFrancais, std::span(&span, 1));
    }));
    EXPECT_EQ(readBytes(ini),
              "\xEF\xBB\xBF; r\xE9glages\r\n[BELT Fran\xE7ois]\r\nSpan=0.5\r\n"
              "[BELT " +
                  kFrancais + "]\r\nSpan=0.6\r\n");
}

TEST(ProfileFile, FailedWritesKeepTheFile) {
    TempFolder dir;
    const auto ini = dir / "Vellora.ini";
    const std::string before = "[SETTINGS]\nNiveau=300\n";
    writeBytes(ini, before);
    EXPECT_FALSE(WritePrivateProfileStringA("SETTINGS", "k", "two\nlines", ini));
    EXPECT_FALSE(WritePrivateProfileStringA("SETTINGS", "a=b", "1", ini));
    EXPECT_FALSE(WritePrivateProfileStringA("S", "k", "v", dir / "no" / "Vellora.ini"));
    EXPECT_FALSE(std::filesystem::exists(dir / "no"));

    ::chmod(dir.path().c_str(), 0555);
    {
        testing::ActAsUnprivilegedUser user;
        if (testing::canCreateIn(dir.path())) GTEST_SKIP() << "permissions are not enforced here";
        std::string error;
        EXPECT_FALSE(WritePrivateProfileStringA("SETTINGS", "Niveau", "263", ini, &error));
        EXPECT_FALSE(error.empty());
        EXPECT_FALSE(WritePrivateProfileStringA("SETTINGS", "New", "1", dir / "Other.ini"));
    }
    ::chmod(dir.path().c_str(), 0755);
    EXPECT_EQ(readBytes(ini), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);

    ::chmod(ini.c_str(), 0200);  // exists, cannot be read: must not be replaced
    {
        testing::ActAsUnprivilegedUser user;
        if (std::FILE* probe = std::fopen(ini.c_str(), "rb")) {
            std::fclose(probe);
            GTEST_SKIP() << "permissions are not enforced here";
        }
        EXPECT_EQ(GetPrivateProfileIntA("SETTINGS", "Niveau", 246, ini), 246);
        EXPECT_FALSE(WritePrivateProfileStringA("SETTINGS", "Niveau", "263", ini));
    }
    ::chmod(ini.c_str(), 0644);
    EXPECT_EQ(readBytes(ini), before);
}

TEST(ProfileFile, ATemporaryFileLeftByAKilledWriteDoesNotCorruptTheNextRead) {
    TempFolder dir;
    const auto ini = dir / "Vellora.ini";
    writeBytes(ini, "[POSITIONS]\nLeft=100\nTop=200\n");
    writeBytes(dir / "Vellora.ini.tmp-123456-0", "[POSITIONS]\nLef");  // killed before rename
    EXPECT_EQ(GetPrivateProfileIntA("POSITIONS", "Left", 0, ini), 100);
    ASSERT_TRUE(WritePrivateProfileStringA("POSITIONS", "Top", "300", ini));
    EXPECT_EQ(readBytes(ini), "[POSITIONS]\nLeft=100\nTop=300\n");
}

// Kill -9 while a second process writes the settings in a loop: after every kill the
// file is the old one or a new one, whole, and the next start leaves no temporary file.
// Once on a plain file, once on a hard-linked one (rewritten in place behind a journal).
TEST(ProfileFile, AKilledWriteLeavesAWholeFileAndTheNextStartNoTemporaryFile) {
    constexpr int kKills = 25;  // per kind of file: 50 in all
    const std::string head = "[SETTINGS]\n; " + std::string(200000, 'x') + "\nCount=";
    std::mt19937 random(19);
    for (const bool linked : {false, true}) {
        TempFolder dir;
        const auto ini = dir / "Vellora.ini";
        writeBytes(ini, head + "0\n");
        if (linked) std::filesystem::create_hard_link(ini, dir / "link.ini");
        for (int k = 0; k < kKills; ++k) {
            const pid_t writer = ::fork();
            ASSERT_GE(writer, 0);
            if (writer == 0) {
                for (long i = 1;; ++i)
                    WritePrivateProfileStringA("SETTINGS", "Count", std::to_string(i), ini);
            }
            ::usleep(useconds_t(std::uniform_int_distribution<int>(500, 6000)(random)));
            ::kill(writer, SIGKILL);
            ::waitpid(writer, nullptr, 0);
            // As the next start does, then the file must be whole.
            removeStaleTemporaryFiles(ini);
            const std::string now = readBytes(ini);
            ASSERT_EQ(now.compare(0, head.size(), head), 0) << "kill " << k << " linked " << linked;
            const std::string tail = now.substr(head.size());
            ASSERT_TRUE(tail.size() >= 2 && tail.back() == '\n' &&
                        tail.find_first_not_of("0123456789") == tail.size() - 1)
                << "kill " << k << ": torn tail \"" << tail << "\"";
            ASSERT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}),
                      linked ? 2 : 1)
                << "kill " << k;
            if (linked) {
                ASSERT_EQ(readBytes(dir / "link.ini"), now);
            }
        }
    }
}

}  // namespace
}  // namespace vellora
