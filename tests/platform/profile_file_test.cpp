// The profile store on real files: the file created on the first write, integer and
// text reading, buffer limits, encodings, line ends, and writes that fail or are
// interrupted without harming the file.
#include "platform/profile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/profile_test_support.h"

namespace vellora {
namespace {

using testing::readBytes;
using testing::TempFolder;
using testing::writeBytes;

TEST(ProfileFile, AMissingFileGivesTheDefaultsAndTheFirstWriteCreatesIt) {
    TempFolder dir;
    const auto ini = dir / "Vellora.ini";
    EXPECT_EQ(GetPrivateProfileIntA("POSITIONS", "Height", 11220, ini), 11220);
    EXPECT_EQ(GetPrivateProfileStringA("SETTINGS", "Langue",
                                       "Fran\xC3\xA7"
                                       "ais",
                                       100, ini),
              "Fran\xC3\xA7"
              "ais");
    EXPECT_FALSE(std::filesystem::exists(ini));

    ASSERT_TRUE(WritePrivateProfileStringA("POSITIONS", "Left", "0", ini));
    EXPECT_EQ(readBytes(ini), "[POSITIONS]\nLeft=0\n");
    EXPECT_EQ(GetPrivateProfileIntA("positions", "LEFT", 7, ini), 0);
}

TEST(ProfileFile, IntegerReading) {
    TempFolder dir;
    const auto ini = dir / "Vellora.ini";
    writeBytes(ini,
               "[POSITIONS]\nTop=12.7\n"
               "[SETTINGS]\nNbEchantillons=abc\nNiveau=-5\nQuoted=\"263\"\nEmpty=\nBig=40000\n");
    EXPECT_EQ(GetPrivateProfileIntA("POSITIONS", "Top", 0, ini), 12);
    EXPECT_EQ(GetPrivateProfileIntA("SETTINGS", "NbEchantillons", 5, ini), 0);
    EXPECT_EQ(GetPrivateProfileIntA("SETTINGS", "Niveau", 246, ini), -5);
    EXPECT_EQ(GetPrivateProfileIntA("SETTINGS", "Quoted", 0, ini), 263);
    EXPECT_EQ(GetPrivateProfileIntA("SETTINGS", "Big", 0, ini), 40000);
    EXPECT_EQ(GetPrivateProfileIntA("SETTINGS", "Missing", 1024, ini), 1024);
    EXPECT_EQ(GetPrivateProfileIntA("NOSECTION", "Top", 3, ini), 3);
    // An empty value is taken as no value, as the Windows service does.
    EXPECT_EQ(GetPrivateProfileIntA("SETTINGS", "Empty", 110, ini), 110);
}

TEST(ProfileFile, TextReadingQuotesBlanksAndEmptyAgainstMissing) {
    TempFolder dir;
    const auto lng = dir / "English.lng";
    writeBytes(lng, "[ABOUT]\n1=\"About \"\n2=   padded   \n3=\n");
    EXPECT_EQ(GetPrivateProfileStringA("ABOUT", "1", "Err!!", 200, lng), "About ");
    EXPECT_EQ(GetPrivateProfileStringA("ABOUT", "2", "Err!!", 200, lng), "padded");
    EXPECT_EQ(GetPrivateProfileStringA("ABOUT", "3", "Err!!", 200, lng), "");
    EXPECT_EQ(GetPrivateProfileStringA("ABOUT", "4", "Err!!", 200, lng), "Err!!");
}

TEST(ProfileFile, ValuesAreCutToTheBuffer) {
    TempFolder dir;
    const auto ini = dir / "Vellora.ini";
    const std::string v150(150, 'L');
    const std::string v250(250, 'T');
    writeBytes(ini, "[SETTINGS]\nLangue=" + v150 + "\n[FORM1]\n1=" + v250 + "\n");
    EXPECT_EQ(GetPrivateProfileStringA("SETTINGS", "Langue", "", 100, ini), std::string(99, 'L'));
    EXPECT_EQ(GetPrivateProfileStringA("FORM1", "1", "", 200, ini), std::string(199, 'T'));
    // Characters, not bytes: 150 "é" give 99 "é".
    std::string e150;
    for (int i = 0; i < 150; ++i) e150 += "\xC3\xA9";
    writeBytes(ini, "[SETTINGS]\nLangue=" + e150 + "\n");
    const std::string got = GetPrivateProfileStringA("SETTINGS", "Langue", "", 100, ini);
    EXPECT_EQ(got, e150.substr(0, 198));
    EXPECT_EQ(GetPrivateProfileStringA("SETTINGS", "None", "abcdef", 4, ini), "abc");
    EXPECT_EQ(GetPrivateProfileStringA("SETTINGS", "Langue", "x", 0, ini), "");
}

TEST(ProfileFile, AWindows1252FileReadsAndIsRewrittenInUtf8) {
    TempFolder dir;
    const auto ini = dir / "Vellora.ini";
    writeBytes(ini,
               "[SETTINGS]\r\nLangue=Fran\xE7"
               "ais\r\n; \xAB r\xE9glages \xBB\r\n");
    EXPECT_EQ(GetPrivateProfileStringA("SETTINGS", "Langue", "", 100, ini),
              "Fran\xC3\xA7"
              "ais");
    ASSERT_TRUE(WritePrivateProfileStringA("SETTINGS", "Niveau", "262", ini));
    EXPECT_EQ(readBytes(ini),
              "[SETTINGS]\r\nLangue=Fran\xC3\xA7"
              "ais\r\n; \xC2\xAB r\xC3\xA9glages \xC2\xBB\r\n"
              "Niveau=262\r\n");
    EXPECT_EQ(GetPrivateProfileStringA("SETTINGS", "Langue", "", 100, ini),
              "Fran\xC3\xA7"
              "ais");
}

TEST(ProfileFile, Windows1252LanguageFile) {
    TempFolder dir;
    const auto lng = dir /
                     "Fran\xC3\xA7"
                     "ais.lng";  // the name itself in UTF-8
    writeBytes(lng, "[FORM1]\r\n16=Fr\xE9quences\r\n");
    EXPECT_EQ(GetPrivateProfileStringA("FORM1", "16", "Err!!", 200, lng), "Fr\xC3\xA9quences");
}

TEST(ProfileFile, CrlfIsKeptAndAByteOrderMarkIsNotWritten) {
    TempFolder dir;
    const auto ini = dir / "Vellora.ini";
    writeBytes(ini, "\xEF\xBB\xBF[POSITIONS]\r\nTop=1\r\n\r\n[Mine]\r\nmine = 1\r\n");
    ASSERT_TRUE(WritePrivateProfileStringA("POSITIONS", "Top", "2", ini));
    ASSERT_TRUE(WritePrivateProfileStringA("POSITIONS", "Left", "3", ini));
    ASSERT_TRUE(WritePrivateProfileStringA("SETTINGS", "Niveau", "262", ini));
    EXPECT_EQ(
        readBytes(ini),
        "[POSITIONS]\r\nTop=2\r\nLeft=3\r\n\r\n[Mine]\r\nmine = 1\r\n[SETTINGS]\r\nNiveau=262\r\n");
}

TEST(ProfileFile, AReadOnlyFolderFailsTheWriteAndKeepsTheFile) {
    TempFolder dir;
    const auto ini = dir / "Vellora.ini";
    const std::string before = "[SETTINGS]\nNiveau=300\n";
    writeBytes(ini, before);
    ::chmod(dir.path().c_str(), 0555);
    {
        testing::ActAsUnprivilegedUser user;
        if (testing::canCreateIn(dir.path())) GTEST_SKIP() << "permissions are not enforced here";
        std::string error;
        EXPECT_FALSE(WritePrivateProfileStringA("SETTINGS", "Niveau", "263", ini, &error));
        EXPECT_FALSE(error.empty());
        EXPECT_FALSE(WritePrivateProfileStringA("SETTINGS", "New", "1", dir / "Other.ini"));
        EXPECT_EQ(GetPrivateProfileIntA("SETTINGS", "Niveau", 0, ini), 300);
    }
    EXPECT_EQ(readBytes(ini), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(ProfileFile, AFileThatCannotBeReadIsNotReplaced) {
    TempFolder dir;
    const auto ini = dir / "Vellora.ini";
    const std::string before = "[SETTINGS]\nNiveau=300\n";
    writeBytes(ini, before);
    ::chmod(ini.c_str(), 0200);  // write-only: exists, cannot be read
    {
        testing::ActAsUnprivilegedUser user;
        std::FILE* probe = std::fopen(ini.c_str(), "rb");
        if (probe) {
            std::fclose(probe);
            GTEST_SKIP() << "permissions are not enforced here";
        }
        EXPECT_EQ(GetPrivateProfileIntA("SETTINGS", "Niveau", 246, ini), 246);
        EXPECT_FALSE(WritePrivateProfileStringA("SETTINGS", "Niveau", "263", ini));
    }
    ::chmod(ini.c_str(), 0644);
    EXPECT_EQ(readBytes(ini), before);
}

TEST(ProfileFile, AMissingFolderFailsTheWrite) {
    TempFolder dir;
    EXPECT_FALSE(WritePrivateProfileStringA("S", "k", "v", dir / "no" / "Vellora.ini"));
    EXPECT_FALSE(std::filesystem::exists(dir / "no"));
}

TEST(ProfileFile, ATemporaryFileLeftByAKilledWriteDoesNotCorruptTheNextRead) {
    TempFolder dir;
    const auto ini = dir / "Vellora.ini";
    const std::string before = "[POSITIONS]\nLeft=100\nTop=200\n";
    writeBytes(ini, before);
    // What a write killed before its rename leaves: a half-written file beside the target.
    writeBytes(dir / "Vellora.ini.tmp-123456-0", "[POSITIONS]\nLef");
    EXPECT_EQ(GetPrivateProfileIntA("POSITIONS", "Left", 0, ini), 100);
    EXPECT_EQ(GetPrivateProfileIntA("POSITIONS", "Top", 0, ini), 200);
    ASSERT_TRUE(WritePrivateProfileStringA("POSITIONS", "Top", "300", ini));
    EXPECT_EQ(readBytes(ini), "[POSITIONS]\nLeft=100\nTop=300\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

TEST(ProfileFile, NamesAndValuesThatCannotBeStoredFailWithoutTouchingTheFile) {
    TempFolder dir;
    const auto ini = dir / "Vellora.ini";
    writeBytes(ini, "[S]\nk=1\n");
    EXPECT_FALSE(WritePrivateProfileStringA("S", "k", "two\nlines", ini));
    EXPECT_FALSE(WritePrivateProfileStringA("S", "a=b", "1", ini));
    EXPECT_FALSE(WritePrivateProfileStringA("S]", "k", "1", ini));
    EXPECT_EQ(readBytes(ini), "[S]\nk=1\n");
}

TEST(ProfileFile, EachCallReadsTheFileAfresh) {
    TempFolder dir;
    const auto ini = dir / "Vellora.ini";
    writeBytes(ini, "[S]\nk=1\n");
    EXPECT_EQ(GetPrivateProfileIntA("S", "k", 0, ini), 1);
    writeBytes(ini, "[S]\nk=2\n");
    EXPECT_EQ(GetPrivateProfileIntA("S", "k", 0, ini), 2);
}

}  // namespace
}  // namespace vellora
