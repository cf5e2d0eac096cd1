// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/language.h"

#include <system_error>

#include "ini/profile.h"
#include "ini/profile_encoding.h"

namespace vellora {

std::string GetLanguageString(std::string_view section, std::string_view key,
                              const std::filesystem::path& languageFile,
                              std::string_view defaultText) {
    return GetPrivateProfileStringA(section, key, defaultText, kLanguageBufferSize, languageFile);
}

std::string GetLanguageString(std::string_view section, int key,
                              const std::filesystem::path& languageFile,
                              std::string_view defaultText) {
    return GetLanguageString(section, std::to_string(key), languageFile, defaultText);
}

namespace {

Status readLanguageFile(const std::filesystem::path& file, ProfileDocument& into) {
    std::error_code ec;
    // A missing file reads as an empty profile; for a language it means no texts at all.
    if (!std::filesystem::exists(file, ec)) return Status(Failure::NotFound, "no such file");
    return ReadPrivateProfile(file, into);
}

}  // namespace

Status Language::load(std::string name, std::filesystem::path file,
                      const std::filesystem::path& fallbackFile) {
    name_ = std::move(name);
    file_ = std::move(file);
    table_ = ProfileDocument();
    Status read = readLanguageFile(file_, table_);
    if (read || fallbackFile.empty() || fallbackFile == file_) return read;
    ProfileDocument fallback;
    if (readLanguageFile(fallbackFile, fallback)) {
        table_ = std::move(fallback);
        file_ = fallbackFile;
    }
    return read;
}

std::string Language::text(std::string_view section, int key) const {
    const std::optional<std::string> value = table_.value(section, std::to_string(key));
    return std::string(utf8Prefix(value ? std::string_view(*value) : std::string_view(kMissingText),
                                  kLanguageBufferSize - 1));
}

}  // namespace vellora
