// SPDX-License-Identifier: GPL-3.0-or-later
// Where the program's files are: the language and help files (next to the program, then
// the data folder of the tree it is installed in, then the compiled-in data folder); the
// settings file and the files the program writes (beside a portable program, in the
// user's folders for an installed one). Window-free; settings_location.h supplies the
// folders from Qt.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "common/status.h"

namespace vellora {

// The file name of the settings file.
inline constexpr const char* kSettingsFileName = "Vellora.ini";

// A path from UTF-8 text, and back ("Français.lng" is stored in UTF-8).
std::filesystem::path pathFromUtf8(std::string_view utf8);
std::string pathToUtf8(const std::filesystem::path& path);

// The installed data folder (the VELLORA_DATA_DIR compile definition).
std::filesystem::path installedDataFolder();

// The data folder of the tree the program is installed in, found from its own folder
// whatever the prefix: <prefix>/bin/../share/vellora (VELLORA_DATA_FROM_BIN).
std::filesystem::path dataFolderBeside(const std::filesystem::path& programFolder);

// The first of `programFolder` / `name`, dataFolderBeside(programFolder) / `name` and
// `dataFolder` / `name` that exists, else `programFolder` / `name` (a missing file,
// which its reader treats as missing). `name` may hold folders ("help/fr/toc.txt").
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
// The probe files of isWritableFolder that a killed process left in `folder`, removed;
// how many.
int removeStaleProbes(const std::filesystem::path& folder);

// True for an installed program: its folder is one the user cannot write or does not
// own (root's programs for any other user), or a system folder (/usr, /opt, /bin,
// /sbin, /snap and the compiled-in program folder), where root, too, keeps its own
// files out of the package's. False for a portable copy or a build tree: a writable
// folder of the user's own.
bool isInstalledProgramFolder(const std::filesystem::path& programFolder);

// The settings file in use:
// - `programFolder` / "Vellora.ini" for a portable program (isInstalledProgramFolder);
// - else the user's own `configFolder` / "Vellora.ini". An installed or shared meter
//   may keep its calibration and language in a "Vellora.ini" beside the program that
//   the user cannot write: when the user has no copy yet, that file is copied byte for
//   byte into the (created) configuration folder, so the first write keeps every value
//   stored there, and the copy is read and written from then on. Every writer of the
//   file (settings, belt set-ups) thus sees one file from the start.
// - When that copy cannot be made, the program folder's file is read and every write
//   of it fails, as for any file that cannot be written (see keepSettingsWritable).
//   A program folder's file that cannot be read (or is no regular file) has nothing
//   to keep: the user's own file is used.
std::filesystem::path chooseSettingsFile(const std::filesystem::path& programFolder,
                                         const std::filesystem::path& configFolder);

// The settings file that keeps changes, from the one chosen above (`chosen`):
// - `chosen` itself when it can be written (see checkWritable);
// - else the user's own `configFolder` / "Vellora.ini": an existing one as it is, else
//   made now as a copy of `chosen` (empty when that cannot be read), so that the
//   calibration and the set-ups stored there carry over;
// - else `chosen`, whose writes fail.
// `unwritable` says why `chosen` cannot be written, to be reported once at start.
struct WritableSettings {
    enum class Kept { There, InOwnCopy, InNewCopy, InNewFile, Nowhere };
    std::filesystem::path file;  // read and written from now on
    Kept kept = Kept::There;
    std::filesystem::path chosen;
    Status unwritable;
};
WritableSettings keepSettingsWritable(const std::filesystem::path& chosen,
                                      const std::filesystem::path& configFolder);

// The folder of the files the program writes (the recording "test.wav", the tone, the
// cue sounds, Readings.csv): the program folder for a portable program, as the
// original design kept them; else the user's `dataFolder`.
std::filesystem::path chooseFilesFolder(const std::filesystem::path& programFolder,
                                        const std::filesystem::path& dataFolder);

// Makes `folder` (and its parents) when missing and checks that a file can be made in
// it: the failure names the folder and why.
Status prepareWritableFolder(const std::filesystem::path& folder);

}  // namespace vellora
