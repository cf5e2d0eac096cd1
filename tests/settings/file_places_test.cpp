// SPDX-License-Identifier: GPL-3.0-or-later
// Where the program finds its data and keeps its files, on real folders with real
// owners and modes; the language of the first start.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "settings/data_files.h"
#include "settings/first_language.h"
#include "settings/settings_store.h"
#include "support/profile_test_support.h"

namespace vellora {
namespace {

using testing::TempFolder;
using testing::writeBytes;

// An install under any prefix: <prefix>/bin/vellora finds <prefix>/share/vellora; a file
// beside the program (a build tree, a portable copy) wins; the compiled-in folder comes
// last; a file found nowhere is named beside the program, for its reader to report.
TEST(DataFiles, BesideTheProgramThenItsOwnTreeThenTheCompiledFolder) {
    TempFolder prefix, compiled;
    const std::filesystem::path bin = prefix / "bin", share = prefix / "share" / "vellora";
    std::filesystem::create_directories(bin);
    std::filesystem::create_directories(share / "help" / "en");
    writeBytes(share / "English.lng", "[FORM1]\n");
    writeBytes(share / "help" / "en" / "toc.txt", "");
    writeBytes(compiled / "English.lng", "[FORM1]\n");
    writeBytes(compiled / pathFromUtf8("Français.lng"), "[FORM1]\n");

    EXPECT_EQ(dataFolderBeside(bin), share);
    EXPECT_EQ(languageFilePath(bin, "English", compiled.path()), share / "English.lng");
    EXPECT_EQ(findDataFile(bin, "help/en/toc.txt", compiled.path()), share / "help/en/toc.txt");
    EXPECT_EQ(languageFilePath(bin, "Français", compiled.path()),
              compiled / pathFromUtf8("Français.lng"));
    EXPECT_EQ(findDataFile(bin, "help/fr/toc.txt", compiled.path()), bin / "help/fr/toc.txt");
    writeBytes(bin / "English.lng", "[FORM1]\n");
    EXPECT_EQ(languageFilePath(bin, "English", compiled.path()), bin / "English.lng");
}

// A portable copy (a writable folder of the user's own) keeps everything beside the
// program; an installed one (a folder the user cannot write or does not own, or a
// system folder, root included) keeps the settings in the configuration folder and the
// files in the data folder.
TEST(FilePlaces, PortableBesideTheProgramInstalledInTheUsersFolders) {
    TempFolder program, home;
    const std::filesystem::path config = home / ".config" / "Vellora",
                                data = home / ".local" / "share" / "Vellora";
    EXPECT_EQ(chooseSettingsFile(program.path(), config), program / "Vellora.ini");
    EXPECT_EQ(chooseFilesFolder(program.path(), data), program.path());
    EXPECT_TRUE(std::filesystem::is_empty(program.path()));  // no probe left

    // /usr/bin is a system folder for every user, root too.
    EXPECT_TRUE(isInstalledProgramFolder("/usr/bin"));
    EXPECT_TRUE(isInstalledProgramFolder("/usr/bin/"));
    EXPECT_EQ(chooseSettingsFile("/usr/bin", config), config / "Vellora.ini");
    EXPECT_EQ(chooseFilesFolder("/usr/bin", data), data);

    // Another user's folder, even one anybody may write.
    TempFolder shared;
    ::chmod(shared.path().c_str(), 0777);
    if (::geteuid() == 0 && ::chown(shared.path().c_str(), 65534, 65534) == 0) {
        EXPECT_TRUE(isInstalledProgramFolder(shared.path()));
        EXPECT_EQ(chooseSettingsFile(shared.path(), config), config / "Vellora.ini");
        EXPECT_FALSE(std::filesystem::exists(shared / "Vellora.ini"));
    }

    // The user's own folder made read-only.
    ::chmod(program.path().c_str(), 0555);
    ::chmod(home.path().c_str(), 0777);
    testing::ActAsUnprivilegedUser user;
    if (testing::canCreateIn(program.path())) GTEST_SKIP() << "permissions are not enforced here";
    EXPECT_TRUE(isInstalledProgramFolder(program.path()));
    EXPECT_EQ(chooseFilesFolder(program.path(), data), data);
}

// A settings file that cannot be written (no write bit, root included; another user's;
// a folder) gives way to the user's own copy, made from it when it can be read and kept
// from then on; with nowhere to write, the file stays and the caller is told.
TEST(FilePlaces, ASettingsFileThatCannotBeWrittenGivesWayToTheUsersCopy) {
    using Kept = WritableSettings::Kept;
    TempFolder program, home;
    const std::filesystem::path ini = program / "Vellora.ini", config = home / "cfg";
    const std::string stored = "[SETTINGS]\r\nCalibration=538\r\n";
    writeBytes(ini, stored);
    WritableSettings s = keepSettingsWritable(ini, config);
    EXPECT_EQ(s.kept, Kept::There);
    EXPECT_EQ(s.file, ini);
    EXPECT_FALSE(std::filesystem::exists(config));

    ::chmod(ini.c_str(), 0444);
    s = keepSettingsWritable(ini, config);
    EXPECT_EQ(s.kept, Kept::InNewCopy);
    EXPECT_EQ(s.unwritable.failure(), Failure::NotPermitted);
    EXPECT_EQ(s.file, config / "Vellora.ini");
    EXPECT_EQ(SettingsStore(s.file).readInt("SETTINGS", "Calibration", 110), 538);
    EXPECT_TRUE(SettingsStore(s.file).writeString("SETTINGS", "Calibration", "540"));
    // The next start keeps to the copy, without a word, and does not copy again.
    s = keepSettingsWritable(ini, config);
    EXPECT_EQ(s.kept, Kept::InOwnCopy);
    EXPECT_EQ(SettingsStore(s.file).readInt("SETTINGS", "Calibration", 110), 540);

    // A folder under the name: nothing to copy, the copy starts empty.
    TempFolder other, home2;
    std::filesystem::create_directory(other / "Vellora.ini");
    s = keepSettingsWritable(other / "Vellora.ini", home2 / "cfg");
    EXPECT_EQ(s.kept, Kept::InNewFile);
    EXPECT_EQ(s.unwritable.failure(), Failure::NotRegularFile);
    EXPECT_EQ(std::filesystem::file_size(s.file), 0u);

    // Nowhere to make a copy: the file stays, its writes fail.
    writeBytes(home2 / "file", "x");
    s = keepSettingsWritable(ini, home2 / "file" / "cfg");
    EXPECT_EQ(s.kept, Kept::Nowhere);
    EXPECT_EQ(s.file, ini);

    // Another user's file, 0600: neither read nor written by this one.
    TempFolder mine, myHome;
    const std::filesystem::path theirs = mine / "Vellora.ini";
    writeBytes(theirs, stored);
    ::chmod(theirs.c_str(), 0600);
    ::chmod(myHome.path().c_str(), 0777);
    if (::geteuid() != 0 || ::chown(theirs.c_str(), 65533, 65533) != 0)
        GTEST_SKIP() << "cannot give a file to another user here";
    testing::ActAsUnprivilegedUser user;
    s = keepSettingsWritable(theirs, myHome / "cfg");
    EXPECT_EQ(s.kept, Kept::InNewFile);
    EXPECT_EQ(s.unwritable.failure(), Failure::NotPermitted);
    EXPECT_EQ(s.file, myHome / "cfg" / "Vellora.ini");
}

// A probe a killed start left is removed at the next; one of a running process stays.
TEST(FilePlaces, ProbesOfProcessesGoneAreRemoved) {
    TempFolder folder;
    const std::string alive = ".vellora-probe-" + std::to_string(::getpid()) + "-4";
    writeBytes(folder / (".vellora-probe-" + testing::endedProcessId() + "-0"), "");
    writeBytes(folder / alive, "");
    EXPECT_EQ(removeStaleProbes(folder.path()), 1);
    EXPECT_TRUE(std::filesystem::exists(folder / alive));
}

// The files folder is made with its parents; one that cannot be made is named, with why.
TEST(FilePlaces, FilesFolderIsMadeOrItsFailureNamed) {
    TempFolder home;
    EXPECT_TRUE(prepareWritableFolder(home / "a" / "b").ok());
    EXPECT_TRUE(std::filesystem::is_directory(home / "a" / "b"));
    EXPECT_TRUE(std::filesystem::is_empty(home / "a" / "b"));
    writeBytes(home / "file", "");
    const Status underFile = prepareWritableFolder(home / "file" / "Vellora");
    EXPECT_FALSE(underFile.ok());
    EXPECT_NE(underFile.message().find((home / "file" / "Vellora").string()), std::string::npos)
        << underFile.message();
    ::chmod(home.path().c_str(), 0555);
    testing::ActAsUnprivilegedUser user;
    if (testing::canCreateIn(home.path())) GTEST_SKIP() << "permissions are not enforced here";
    const Status locked = prepareWritableFolder(home / "a" / "b");
    EXPECT_EQ(locked.failure(), Failure::NotPermitted) << locked.message();
    EXPECT_EQ(prepareWritableFolder(home / "c").failure(), Failure::NotPermitted);
}

// The messages' locale as the C library picks it (LC_ALL, LC_MESSAGES, LANG): French
// gives Français, anything else English.
TEST(FirstStartLanguage, FollowsTheLocaleUntilALanguageIsStored) {
    const struct {
        LocaleVariables locale;
        const char* language;
    } cases[] = {
        {{nullptr, nullptr, "fr_FR.UTF-8"}, "Français"},
        {{nullptr, nullptr, "en_US.UTF-8"}, "English"},
        {{nullptr, nullptr, "C"}, "English"},
        {{nullptr, nullptr, nullptr}, "English"},
        {{nullptr, nullptr, "fr"}, "Français"},
        {{nullptr, nullptr, "fr_CA@euro"}, "Français"},
        {{nullptr, nullptr, "fy_NL.UTF-8"}, "English"},
        {{"C", nullptr, "fr_FR.UTF-8"}, "English"},
        {{"", "fr_BE.UTF-8", "en_GB.UTF-8"}, "Français"},
        {{nullptr, "", "fr_FR.UTF-8"}, "Français"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.locale.lang ? c.locale.lang : "(no LANG)");
        EXPECT_EQ(firstStartLanguage(c.locale), c.language);
    }
}

}  // namespace
}  // namespace vellora
