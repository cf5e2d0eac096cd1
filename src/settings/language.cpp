// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/language.h"

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

std::string Language::text(std::string_view section, int key) const {
    if (loaded_ != file) {
        // A file that cannot be read gives every caption its default, as a lookup would.
        texts_ = ProfileDocument();
        if (!ReadPrivateProfile(file, texts_)) texts_ = ProfileDocument();
        loaded_ = file;
    }
    const std::optional<std::string> value = texts_.value(section, std::to_string(key));
    return std::string(
        utf8Prefix(value ? std::string_view(*value) : kMissingText, kLanguageBufferSize - 1));
}

}  // namespace vellora
