// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/language.h"

#include "ini/profile.h"

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

}  // namespace vellora
