// SPDX-License-Identifier: GPL-3.0-or-later
// The program's folders, from Qt: where the program is, where its settings file goes,
// and where its language and help files are found. Needs a QCoreApplication with its
// application name set ("Vellora").
#pragma once

#include <filesystem>
#include <string_view>

namespace vellora {

// The folder that holds the program (QCoreApplication::applicationDirPath).
std::filesystem::path programFolder();

// The settings file in use, as chooseSettingsFile decides it: "Vellora.ini" next to
// the program when its folder can be written, else in the user's configuration folder
// (QStandardPaths::AppConfigLocation), seeded with a copy of the program folder's file.
// Call it once at start-up: it may make that copy.
std::filesystem::path settingsFilePath();

// The argument the desktop entry's Exec line passes (packaging/vellora.desktop): the
// program was started from the desktop menu, whose current directory is the user's
// home folder.
inline constexpr const char* kFromDesktopArgument = "--from-desktop";

// Where the recording "test.wav" and the tone "Calibration.wav" go: the current
// directory when started from a shell, as always; started from the desktop menu, the
// program's own data folder (QStandardPaths::AppDataLocation, created when missing),
// so that they stay out of the home folder. The current directory when that folder
// cannot be made.
std::filesystem::path workingFolder(bool fromDesktop);

// A language or help file: next to the program, else in the installed data folder.
std::filesystem::path dataFilePath(const std::filesystem::path& name);

// The file of language `languageName`: its name and ".lng", found as dataFilePath does.
std::filesystem::path languageFilePath(std::string_view languageName);

}  // namespace vellora
