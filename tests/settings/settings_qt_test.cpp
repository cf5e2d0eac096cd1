// SPDX-License-Identifier: GPL-3.0-or-later
// The Qt side of the settings: the folders from Qt, the help calls and the about box.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <tuple>

#include "settings/about_box.h"
#include "settings/chelp.h"
#include "settings/data_files.h"
#include "settings/qt_translations.h"
#include "settings/settings_location.h"
#include "support/profile_test_support.h"
#include "support/qt_application.h"

namespace vellora {
namespace {

// A build tree keeps its files beside the program; the same program in a folder the user
// cannot write keeps its settings and files in the user's XDG folders.
TEST(SettingsLocation, FoldersFollowWhetherTheProgramFolderIsTheUsers) {
    ensureGuiApplication();
    QCoreApplication::setApplicationName("Vellora");
    testing::TempFolder config, data;
    ::chmod(config.path().c_str(), 0777);
    ::chmod(data.path().c_str(), 0777);
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(config.path().string()));
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(data.path().string()));
    EXPECT_EQ(filesFolder(), programFolder());
    EXPECT_EQ(settingsFilePath().file, programFolder() / "Vellora.ini");
    testing::ActAsUnprivilegedUser user;
    if (isWritableFolder(programFolder()))
        GTEST_SKIP() << "cannot make the program folder read-only";
    EXPECT_EQ(settingsFilePath().file, config / "Vellora" / "Vellora.ini");
    EXPECT_EQ(filesFolder(), data / "Vellora");
}

struct RecordingHelp : HelpApi {
    bool HtmlHelp(QWidget*, const std::string& f, uint32_t c, uintptr_t d) override {
        file = f, command = c, data = d;
        if (c == HH_DISPLAY_SEARCH)
            query = reinterpret_cast<const HH_FTS_QUERY*>(d)->pszSearchQuery;
        return answer;
    }
    std::string file, query;
    uint32_t command = 0;
    uintptr_t data = 0;
    bool answer = true;
};

TEST(CHelp, FrenchHelpOnlyForTheFrenchFileAndEveryFailureTold) {
    const std::pair<std::string, const char*> files[] = {
        {"/usr/share/vellora/Français.lng", "vellora.chm"},
        {"Français.lng", "vellora.chm"},  // twelve characters, thirteen bytes
        {"/opt/vellora/français.lng", "vellora_en.chm"},
        {std::string("/opt/vellora/Fran") + '\xE7' + "ais.lng", "vellora_en.chm"},  // Latin-1
    };
    for (const auto& [path, file] : files) EXPECT_EQ(helpFileForLanguagePath(path), file) << path;
    RecordingHelp help;
    CHelp chelp(help);
    EXPECT_TRUE(chelp.Show(" vellora.chm", "win "));
    EXPECT_EQ(help.file, "vellora.chm>win");
    EXPECT_TRUE(chelp.Show("vellora.chm", "", 2.5));  // halves round to even
    EXPECT_EQ(std::pair(help.command, help.data), std::pair(HH_HELP_CONTEXT, uintptr_t(2)));
    EXPECT_TRUE(chelp.ShowSearch("vellora_en.chm", ""));
    EXPECT_EQ(help.query, "TEST");
    help.answer = false;
    EXPECT_FALSE(chelp.Show("vellora.chm", ""));
    EXPECT_FALSE(chelp.ShowIndex("vellora.chm", ""));
    EXPECT_FALSE(chelp.ShowSearch("vellora.chm", ""));
}

// Title and version follow their texts directly; after a language change the box takes
// the height its new texts need, and short texts give the small box back.
TEST(AboutBox, TextsFollowEachOtherAndTheBoxFitsThemAfterEveryChange) {
    ensureGuiApplication();
    std::string description = "A meter";
    frmAbout box([&](int key) {
        static const char* texts[] = {"", "About ", "Version ", "Us", "", "No warranty", "OK"};
        return key == 4 ? description : std::string(texts[key]);
    });
    EXPECT_EQ(box.windowTitle(), "About Vellora");
    EXPECT_EQ(box.lblVersion->text(), QString("Version ") + kVersion);
    box.show();
    QApplication::processEvents();
    const QSize small = box.size();
    for (int i = 0; i < 8; ++i) description += " Mesure la fréquence d'une courroie pincée.";
    box.applyTexts();
    QApplication::processEvents();
    EXPECT_GE(box.height(), box.layout()->totalHeightForWidth(box.width()));
    EXPECT_GT(box.height(), small.height());
    description = "A meter";
    box.applyTexts();
    QApplication::processEvents();
    EXPECT_EQ(box.size(), small);
}

// Qt's own buttons and the decimal mark follow the interface language.
TEST(QtTranslations, StandardButtonsAndDecimalMarkFollowTheLanguage) {
    ensureGuiApplication();
    QtTranslations qt;
    for (auto [language, cancel, mark] :
         {std::tuple{"Français", "Annuler", ','}, std::tuple{"English", "Cancel", '.'}}) {
        ASSERT_TRUE(qt.use(language)) << language;
        QDialogButtonBox box(QDialogButtonBox::Cancel);
        EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text().remove('&'),
                  QString::fromUtf8(cancel));
        EXPECT_EQ(QLocale().decimalPoint(), QString(QChar(mark)));
    }
}

}  // namespace
}  // namespace vellora
