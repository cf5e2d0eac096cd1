// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/data_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "common/atomic_file.h"
#include "common/regular_file.h"
#include "ini/profile.h"
#include "settings/language_names.h"

#ifndef VELLORA_DATA_DIR
#define VELLORA_DATA_DIR "/usr/share/vellora"
#endif
#ifndef VELLORA_DATA_FROM_BIN
#define VELLORA_DATA_FROM_BIN "../share/vellora"
#endif
#ifndef VELLORA_BIN_DIR
#define VELLORA_BIN_DIR "/usr/bin"
#endif

namespace vellora {

std::filesystem::path pathFromUtf8(std::string_view utf8) {
    const std::u8string s(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size());
    return std::filesystem::path(s);
}

std::string pathToUtf8(const std::filesystem::path& path) {
    const std::u8string s = path.u8string();
    return std::string(reinterpret_cast<const char*>(s.data()), s.size());
}

std::filesystem::path installedDataFolder() { return pathFromUtf8(VELLORA_DATA_DIR); }

std::filesystem::path dataFolderBeside(const std::filesystem::path& programFolder) {
    return (programFolder / VELLORA_DATA_FROM_BIN).lexically_normal();
}

std::filesystem::path findDataFile(const std::filesystem::path& programFolder,
                                   const std::filesystem::path& name,
                                   const std::filesystem::path& dataFolder) {
    std::error_code ec;
    const std::filesystem::path beside = programFolder / name;
    if (std::filesystem::is_regular_file(beside, ec)) return beside;
    for (const std::filesystem::path& folder : {dataFolderBeside(programFolder), dataFolder}) {
        if (folder.empty()) continue;
        const std::filesystem::path installed = folder / name;
        if (std::filesystem::is_regular_file(installed, ec)) return installed;
    }
    return beside;
}

std::filesystem::path languageFilePath(const std::filesystem::path& programFolder,
                                       std::string_view languageName,
                                       const std::filesystem::path& dataFolder) {
    std::string name(languageName);
    name += kLanguageFileSuffix;
    return findDataFile(programFolder, pathFromUtf8(name), dataFolder);
}

namespace {
// The probe's name carries the process, so that the one a kill leaves is known as stale.
constexpr const char* kProbePrefix = ".vellora-probe-";
}  // namespace

bool isWritableFolder(const std::filesystem::path& folder) {
    static std::atomic<unsigned> counter{0};
    const std::filesystem::path probe = folder / (kProbePrefix + std::to_string(::getpid()) + "-" +
                                                  std::to_string(counter.fetch_add(1)));
    std::FILE* f = std::fopen(probe.c_str(), "wbx");
    if (!f) return false;
    std::fclose(f);
    std::error_code ec;
    std::filesystem::remove(probe, ec);
    return true;
}

int removeStaleProbes(const std::filesystem::path& folder) {
    return removeStaleProcessFiles(folder, kProbePrefix);
}

namespace {
bool isSystemFolder(const std::filesystem::path& folder) {
    std::error_code ec;
    const std::filesystem::path real = std::filesystem::weakly_canonical(folder, ec);
    const std::filesystem::path& seen = ec ? folder : real;
    if (seen == std::filesystem::weakly_canonical(pathFromUtf8(VELLORA_BIN_DIR), ec)) return true;
    for (const char* system : {"/usr", "/opt", "/bin", "/sbin", "/snap"}) {
        const std::filesystem::path top(system);
        auto [mismatch, _] = std::mismatch(top.begin(), top.end(), seen.begin(), seen.end());
        if (mismatch == top.end()) return true;
    }
    return false;
}
}  // namespace

bool isInstalledProgramFolder(const std::filesystem::path& programFolder) {
    struct stat info {};
    if (::stat(programFolder.c_str(), &info) != 0 || info.st_uid != ::geteuid()) return true;
    return isSystemFolder(programFolder) || !isWritableFolder(programFolder);
}

std::filesystem::path chooseSettingsFile(const std::filesystem::path& programFolder,
                                         const std::filesystem::path& configFolder) {
    const std::filesystem::path beside = programFolder / kSettingsFileName;
    if (!isInstalledProgramFolder(programFolder)) return beside;
    const std::filesystem::path own = configFolder / kSettingsFileName;
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::symlink_status(own, ec))) return own;
    std::filesystem::create_directories(configFolder, ec);
    const RegularFileBytes shared = readRegularFile(beside, kLargestProfileFile + 1);
    // Nothing to keep from a file that cannot be read, is not a regular file or is too
    // large to be a settings file: the store would read it as missing anyway.
    if (!shared.read() || shared.bytes.size() > kLargestProfileFile) return own;
    return writeFileAtomically(own, shared.bytes) ? own : beside;
}

WritableSettings keepSettingsWritable(const std::filesystem::path& chosen,
                                      const std::filesystem::path& configFolder) {
    using Kept = WritableSettings::Kept;
    Status why = checkWritable(chosen);
    if (why) return {chosen, Kept::There, chosen, {}};
    const std::filesystem::path own = configFolder / kSettingsFileName;
    std::error_code ec;
    if (own == chosen || std::filesystem::equivalent(own, chosen, ec))
        return {chosen, Kept::Nowhere, chosen, why};
    if (std::filesystem::exists(std::filesystem::symlink_status(own, ec)))
        return checkWritable(own) ? WritableSettings{own, Kept::InOwnCopy, chosen, why}
                                  : WritableSettings{chosen, Kept::Nowhere, chosen, why};
    std::filesystem::create_directories(configFolder, ec);
    const RegularFileBytes shared = readRegularFile(chosen, kLargestProfileFile + 1);
    const bool copied = shared.read() && shared.bytes.size() <= kLargestProfileFile;
    if (!writeFileAtomically(own, copied ? std::string_view(shared.bytes) : std::string_view()))
        return {chosen, Kept::Nowhere, chosen, why};
    return {own, copied ? Kept::InNewCopy : Kept::InNewFile, chosen, why};
}

std::filesystem::path chooseFilesFolder(const std::filesystem::path& programFolder,
                                        const std::filesystem::path& dataFolder) {
    return isInstalledProgramFolder(programFolder) ? dataFolder : programFolder;
}

Status prepareWritableFolder(const std::filesystem::path& folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec)
        return Status(
            ec == std::errc::permission_denied ? Failure::NotPermitted : Failure::WriteFailed,
            "cannot make the folder " + pathToUtf8(folder) + ": " + ec.message());
    if (!isWritableFolder(folder))
        return Status(Failure::NotPermitted, "cannot write in the folder " + pathToUtf8(folder) +
                                                 ": " + std::strerror(errno));
    return {};
}

}  // namespace vellora
