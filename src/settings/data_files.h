// Where the program's files are: the language and help files (next to the program,
// then the installed data folder), and the settings file (next to the program when
// that folder can be written, else the user's configuration folder). Window-free;
// settings_location.h supplies the folders from Qt.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vellora {

// The file name of the settings file.
inline constexpr const char* kSettingsFileName = "Vellora.ini";

// A path from UTF-8 text, and back ("Français.lng" is stored in UTF-8).
std::filesystem::path pathFromUtf8(std::string_view utf8);
std::string pathToUtf8(const std::filesystem::path& path);

// The installed data folder (the VELLORA_DATA_DIR compile definition).
std::filesystem::path installedDataFolder();

// `programFolder` / `name` when that file exists, else `dataFolder` / `name` when that
// one does, else `programFolder` / `name` (a missing file, which its reader treats as
// missing). `name` may hold folders ("help/fr/toc.txt").
std::filesystem::path findDataFile(const std::filesystem::path& programFolder,
                                   const std::filesystem::path& name,
                                   const std::filesystem::path& dataFolder = installedDataFolder());

// The language file of the language `languageName` ("English", "Français", or any
// other stored name, used unchanged): its name followed by ".lng", looked up as
// findDataFile does.
std::filesystem::path languageFilePath(
    const std::filesystem::path& programFolder, std::string_view languageName,
    const std::filesystem::path& dataFolder = installedDataFolder());

// True when a file can be created in `folder` (tried with a probe file, removed again).
bool isWritableFolder(const std::filesystem::path& folder);

// `programFolder` / "Vellora.ini" when the program folder can be written, else
// `configFolder` / "Vellora.ini".
std::filesystem::path chooseSettingsFile(const std::filesystem::path& programFolder,
                                         const std::filesystem::path& configFolder);

}  // namespace vellora
