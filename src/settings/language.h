// SPDX-License-Identifier: GPL-3.0-or-later
// The language files: "English.lng", "Français.lng" (UTF-8 names and
// texts), sections FORM1, ABOUT and CALIBRATION with numeric keys. Window-free: builds
// without Qt.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "common/status.h"
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

// The current language: its name and its file, read once into a table when chosen (a
// window has a few hundred captions; reading the file for each made start-up as slow
// as the file is large).
class Language {
  public:
    Language() = default;

    // Reads `file` (through the bounded profile reader: a FIFO, a device, a folder or an
    // oversized file is refused, never waited on). When it cannot be read, or is
    // missing, `fallbackFile` is read instead and becomes the file, and the result is
    // the first file's failure, for the user to be told; success otherwise.
    Status load(std::string name, std::filesystem::path file,
                const std::filesystem::path& fallbackFile = {});

    const std::string& name() const { return name_; }
    const std::filesystem::path& file() const { return file_; }

    // The current language's text of `section` / `key`, as GetLanguageString gives it.
    std::string text(std::string_view section, int key) const;

  private:
    std::string name_;
    std::filesystem::path file_;
    ProfileDocument table_;
};

}  // namespace vellora
