// Where the language, help and settings files are looked for.
#include "settings/data_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "ini/profile.h"
#include "support/profile_test_support.h"

namespace vellora {
namespace {

using testing::readBytes;
using testing::TempFolder;
using testing::writeBytes;

TEST(DataFiles, NextToTheProgramFirstThenTheInstalledFolder) {
    TempFolder program, data;
    std::filesystem::create_directories(data / "help" / "fr");
    writeBytes(data / "English.lng", "[FORM1]\n");
    writeBytes(data / "help" / "fr" / "toc.txt", "x");
    EXPECT_EQ(findDataFile(program.path(), "English.lng", data.path()), data / "English.lng");
    EXPECT_EQ(findDataFile(program.path(), "help/fr/toc.txt", data.path()),
              data / "help" / "fr" / "toc.txt");
    writeBytes(program / "English.lng", "[FORM1]\n");
    EXPECT_EQ(findDataFile(program.path(), "English.lng", data.path()), program / "English.lng");
    // Neither: the path beside the program, which reads as a missing file.
    EXPECT_EQ(findDataFile(program.path(), "Deutsch.lng", data.path()), program / "Deutsch.lng");
}

TEST(DataFiles, TheFrenchFileNameIsUtf8) {
    TempFolder program, data;
    const std::string fr =
        "Fran\xC3\xA7"
        "ais";
    EXPECT_EQ(languageFilePath(program.path(), fr, data.path()).filename().string(),
              fr + ".lng");  // the bytes on this system
    writeBytes(data / pathFromUtf8(fr + ".lng"), "[FORM1]\n");
    const std::filesystem::path found = languageFilePath(program.path(), fr, data.path());
    EXPECT_EQ(found, data / pathFromUtf8(fr + ".lng"));
    EXPECT_EQ(pathToUtf8(found.filename()), fr + ".lng");
    // Any other stored name is used unchanged.
    EXPECT_EQ(languageFilePath(program.path(), "Klingon", data.path()), program / "Klingon.lng");
}

TEST(DataFiles, TheSettingsFileGoesNextToTheProgramWhenItsFolderCanBeWritten) {
    TempFolder program, config;
    EXPECT_TRUE(isWritableFolder(program.path()));
    EXPECT_EQ(chooseSettingsFile(program.path(), config.path()), program / "Vellora.ini");
    EXPECT_TRUE(std::filesystem::is_empty(program.path()));  // the probe is gone
}

TEST(DataFiles, AReadOnlyProgramFolderSendsTheSettingsToTheConfigurationFolder) {
    TempFolder program, config;
    ::chmod(program.path().c_str(), 0555);
    testing::ActAsUnprivilegedUser user;
    if (testing::canCreateIn(program.path())) GTEST_SKIP() << "permissions are not enforced here";
    EXPECT_FALSE(isWritableFolder(program.path()));
    EXPECT_EQ(chooseSettingsFile(program.path(), config.path()), config / "Vellora.ini");
}

// An installed or shared meter: its read-only folder holds the calibration and the
// language. The user's first start copies them; later starts use the user's copy.
TEST(DataFiles, AReadOnlyProgramFolderHoldingTheSettingsSeedsTheUsersCopy) {
    TempFolder program, home;
    ::chmod(home.path().c_str(), 0777);
    const std::filesystem::path config = home / "Vellora";
    const std::string stored = "[SETTINGS]\r\nAjustement=530\r\nLangue=English\r\n; \xE9t\xE9\r\n";
    writeBytes(program / "Vellora.ini", stored);
    ::chmod(program.path().c_str(), 0555);
    testing::ActAsUnprivilegedUser user;
    if (testing::canCreateIn(program.path())) GTEST_SKIP() << "permissions are not enforced here";

    const std::filesystem::path chosen = chooseSettingsFile(program.path(), config);
    EXPECT_EQ(chosen, config / "Vellora.ini");
    EXPECT_EQ(readBytes(chosen), stored);
    EXPECT_EQ(GetPrivateProfileIntA("SETTINGS", "Ajustement", 512, chosen), 530);
    ASSERT_TRUE(WritePrivateProfileStringA("SETTINGS", "Niveau", "300", chosen));
    EXPECT_EQ(readBytes(chosen), stored + "Niveau=300\r\n");

    // The next start keeps the user's copy, whatever the shared file says by then.
    EXPECT_EQ(chooseSettingsFile(program.path(), config), config / "Vellora.ini");
    EXPECT_EQ(readBytes(config / "Vellora.ini"), stored + "Niveau=300\r\n");
    EXPECT_EQ(readBytes(program / "Vellora.ini"), stored);
}

TEST(DataFiles, WithoutAPlaceForTheUsersCopyTheSharedSettingsAreStillRead) {
    TempFolder program, home;
    writeBytes(program / "Vellora.ini", "[SETTINGS]\nAjustement=530\n");
    ::chmod(program.path().c_str(), 0555);
    ::chmod(home.path().c_str(), 0555);
    testing::ActAsUnprivilegedUser user;
    if (testing::canCreateIn(home.path())) GTEST_SKIP() << "permissions are not enforced here";
    const std::filesystem::path chosen = chooseSettingsFile(program.path(), home / "Vellora");
    EXPECT_EQ(chosen, program / "Vellora.ini");
    EXPECT_EQ(GetPrivateProfileIntA("SETTINGS", "Ajustement", 512, chosen), 530);
    EXPECT_FALSE(WritePrivateProfileStringA("SETTINGS", "Ajustement", "1", chosen));
}

}  // namespace
}  // namespace vellora
