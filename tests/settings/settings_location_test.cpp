// The folders from Qt: the program's own, and the settings file's.
#include "settings/settings_location.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QCoreApplication>

#include "settings/data_files.h"
#include "support/profile_test_support.h"
#include "support/qt_application.h"

namespace vellora {
namespace {

// The shared widget-test application: the about box in this executable needs widgets.
void app() {
    ensureGuiApplication();
    QCoreApplication::setApplicationName("Vellora");
}

TEST(SettingsLocation, TheProgramFolderIsTheExecutablesFolder) {
    app();
    EXPECT_EQ(programFolder(), pathFromUtf8(QCoreApplication::applicationDirPath().toStdString()));
    EXPECT_EQ(languageFilePath("English"), findDataFile(programFolder(), "English.lng"));
}

TEST(SettingsLocation, AWritableProgramFolderHoldsTheSettingsFile) {
    app();
    if (!isWritableFolder(programFolder())) GTEST_SKIP() << "the test's folder is read-only";
    EXPECT_EQ(settingsFilePath(), programFolder() / "Vellora.ini");
}

TEST(SettingsLocation, OtherwiseTheUsersConfigurationFolder) {
    app();
    testing::TempFolder config;
    ::chmod(config.path().c_str(), 0777);
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(config.path().string()));
    // The test's own folder is writable; act as a user who may not write it.
    testing::ActAsUnprivilegedUser user;
    if (isWritableFolder(programFolder()))
        GTEST_SKIP() << "cannot make the program folder read-only";
    const std::filesystem::path file = settingsFilePath();
    EXPECT_EQ(file.filename(), "Vellora.ini");
    EXPECT_EQ(file.parent_path(), config / "Vellora");
    EXPECT_TRUE(std::filesystem::is_directory(config / "Vellora"));
}

// From the desktop menu (current directory: the home folder) the recording and the
// tone go to the program's data folder; from a shell, to the current directory.
TEST(SettingsLocation, TheRecordingAndToneFolderDependsOnHowTheProgramWasStarted) {
    app();
    testing::TempFolder data;
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(data.path().string()));
    EXPECT_EQ(workingFolder(false), std::filesystem::current_path());
    EXPECT_EQ(workingFolder(true), data / "Vellora");
    EXPECT_TRUE(std::filesystem::is_directory(data / "Vellora"));
    qunsetenv("XDG_DATA_HOME");
}

}  // namespace
}  // namespace vellora
