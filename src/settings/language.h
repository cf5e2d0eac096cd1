// SPDX-License-Identifier: GPL-3.0-or-later
// The language files: "English.lng", "Français.lng" (UTF-8 names and
// texts), sections FORM1, ABOUT and CALIBRATION with numeric keys, read through the
// profile store by GetLanguageString. Window-free: builds without Qt.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "common/text.h"
#include "ini/profile_document.h"

namespace vellora {

inline constexpr std::size_t kLanguageBufferSize = 200;  // so at most 199 characters

// The text of `key` in `section` of the language file `languageFile`: `defaultText`
// ("Err!!") when the file, the section or the key is missing; the empty text for a
// key with an empty value; at most 199 characters. Reads the file afresh each call.
std::string GetLanguageString(std::string_view section, std::string_view key,
                              const std::filesystem::path& languageFile,
                              std::string_view defaultText = kMissingText);
// The same with a numeric key ("10" for 10).
std::string GetLanguageString(std::string_view section, int key,
                              const std::filesystem::path& languageFile,
                              std::string_view defaultText = kMissingText);

// The module state of `Language`: the language name read at start-up and the path of
// the current language file (empty until start-up sets it).
struct Language {
    explicit Language(std::string name = {}, std::filesystem::path file = {})
        : name(std::move(name)), file(std::move(file)) {}

    std::string name;
    std::filesystem::path file;

    // The current language's text of `section` / `key`, or "Err!!", as GetLanguageString
    // gives it. The file is read once when it is first asked for after the language
    // changes, and kept: captions are asked for many times a measuring cycle.
    std::string text(std::string_view section, int key) const;

  private:
    mutable std::optional<std::filesystem::path> loaded_;  // the file `texts_` holds
    mutable ProfileDocument texts_;
};

}  // namespace vellora
