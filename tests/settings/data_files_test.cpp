// Where the language, help and settings files are looked for.
#include "settings/data_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/profile_test_support.h"

namespace vellora {
namespace {

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

}  // namespace
}  // namespace vellora
