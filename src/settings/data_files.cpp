#include "settings/data_files.h"

#include <atomic>
#include <cstdio>
#include <random>
#include <system_error>

#ifndef VELLORA_DATA_DIR
#define VELLORA_DATA_DIR "/usr/share/vellora"
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

std::filesystem::path findDataFile(const std::filesystem::path& programFolder,
                                   const std::filesystem::path& name,
                                   const std::filesystem::path& dataFolder) {
    std::error_code ec;
    const std::filesystem::path beside = programFolder / name;
    if (std::filesystem::is_regular_file(beside, ec)) return beside;
    if (!dataFolder.empty()) {
        const std::filesystem::path installed = dataFolder / name;
        if (std::filesystem::is_regular_file(installed, ec)) return installed;
    }
    return beside;
}

std::filesystem::path languageFilePath(const std::filesystem::path& programFolder,
                                       std::string_view languageName,
                                       const std::filesystem::path& dataFolder) {
    std::string name(languageName);
    name += ".lng";
    return findDataFile(programFolder, pathFromUtf8(name), dataFolder);
}

bool isWritableFolder(const std::filesystem::path& folder) {
    static std::atomic<unsigned> counter{0};
    std::random_device rd;
    const std::filesystem::path probe =
        folder / (".vellora-probe-" + std::to_string(rd() % 1000000) + "-" +
                  std::to_string(counter.fetch_add(1)));
    std::FILE* f = std::fopen(probe.c_str(), "wbx");
    if (!f) return false;
    std::fclose(f);
    std::error_code ec;
    std::filesystem::remove(probe, ec);
    return true;
}

std::filesystem::path chooseSettingsFile(const std::filesystem::path& programFolder,
                                         const std::filesystem::path& configFolder) {
    if (isWritableFolder(programFolder)) return programFolder / kSettingsFileName;
    return configFolder / kSettingsFileName;
}

}  // namespace vellora
