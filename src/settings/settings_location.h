// SPDX-License-Identifier: GPL-3.0-or-later
// The program's folders, from Qt: where the program is, where its settings file goes,
// and where its language and help files are found. Needs a QCoreApplication with its
// application name set ("Vellora").
#pragma once

#include <filesystem>
#include <string_view>

#include "settings/data_files.h"

namespace vellora {

// The folder that holds the program (QCoreApplication::applicationDirPath).
std::filesystem::path programFolder();

// The settings file in use, as chooseSettingsFile decides it: "Vellora.ini" beside a
// portable program, else in the user's configuration folder
// (QStandardPaths::AppConfigLocation, $XDG_CONFIG_HOME/Vellora), seeded with a copy of
// the program folder's file; then, as keepSettingsWritable decides, the user's own copy
// when that file cannot be written. Call it once at start-up: it may make that copy.
WritableSettings settingsFilePath();

// The folder of the files the program writes, as chooseFilesFolder decides it: beside a
// portable program, else the user's data folder (QStandardPaths::AppDataLocation,
// $XDG_DATA_HOME/Vellora).
std::filesystem::path filesFolder();

// A language or help file: next to the program, else in the installed data folders.
std::filesystem::path dataFilePath(const std::filesystem::path& name);

// The file of language `languageName`: its name and ".lng", found as dataFilePath does.
std::filesystem::path languageFilePath(std::string_view languageName);

}  // namespace vellora
