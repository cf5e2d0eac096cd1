// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/settings_location.h"

#include <QCoreApplication>
#include <QStandardPaths>

#include "settings/data_files.h"

namespace vellora {

namespace {
std::filesystem::path fromQString(const QString& s) {
    const QByteArray utf8 = s.toUtf8();
    return pathFromUtf8(std::string_view(utf8.constData(), std::size_t(utf8.size())));
}
}  // namespace

std::filesystem::path programFolder() {
    return fromQString(QCoreApplication::applicationDirPath());
}

WritableSettings settingsFilePath() {
    const std::filesystem::path config =
        fromQString(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
    return keepSettingsWritable(chooseSettingsFile(programFolder(), config), config);
}

std::filesystem::path filesFolder() {
    return chooseFilesFolder(
        programFolder(),
        fromQString(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)));
}

std::filesystem::path dataFilePath(const std::filesystem::path& name) {
    return findDataFile(programFolder(), name);
}

std::filesystem::path languageFilePath(std::string_view languageName) {
    return languageFilePath(programFolder(), languageName);
}

}  // namespace vellora
