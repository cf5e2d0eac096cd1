// SPDX-License-Identifier: GPL-3.0-or-later
// The rules of the profile (INI) layout, on the bytes of a whole file held in memory.
// The file store of profile.h reads a file, applies these, and writes it.
//
// Each line is decoded on its own (profile_encoding.h): valid UTF-8 as UTF-8, any other
// line as Windows-1252. Names, keys and values given and returned are UTF-8.
//
// - A line whose first non-blank character is "[" and that holds a "]" opens a
//   section; its name is what lies between them, less blanks.
// - In a section, a line with an "=" is a setting: its key is the text before the
//   first "=", its value the text after it, both less blanks. Lines starting with
//   ";" are comments. Every other line is ignored and kept.
// - Section and key names match without regard to letter case (ASCII letters); the
//   first matching section, and the first matching key in it, count.
// - A value loses blanks at both ends, then one pair of single or double quotation
//   marks enclosing the whole value.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vellora {

// The value of `key` in `section`, as read (blanks and one pair of quotes removed);
// nullopt when the section or the key is missing.
std::optional<std::string> profileLookup(std::string_view text, std::string_view section,
                                         std::string_view key);

// True when the store can write `section` / `key` / `value` so that it reads back
// exactly: UTF-8 without line breaks or NUL; names not empty and without blanks at
// their ends; no "]" in a section name; no "=" in a key, nor "[" or ";" first.
bool isWritableProfileName(std::string_view section, std::string_view key);
bool isWritableProfileValue(std::string_view value);

// `text` with `key` of `section` set to `value`: an existing key is overwritten in
// place (keeping the file's spelling of its name; the new line is UTF-8), a new key
// goes after the last non-blank line of the first matching section, a new section at
// the end of the text. Every other line stays as it was, byte for byte, whatever its
// encoding, and so does a leading byte-order mark. New lines end like the
// text's first line ("\r\n" or "\n"; the platform's for a text without one). A value
// that would lose characters on reading (blanks at its ends, enclosing quotes) is
// written between double quotation marks. The names and value must pass the checks
// above.
std::string profileSet(std::string_view text, std::string_view section, std::string_view key,
                       std::string_view value);

// The same rules line by line, for stores that keep a file's lines (profile_document.h).
// A line (without its line end) that opens a section: the section's name.
std::optional<std::string_view> profileSectionOf(std::string_view line);
// A setting line: its key, and its value as read (blanks and one pair of quotes removed).
struct ProfileSettingLine {
    std::string_view key;
    std::string value;
};
std::optional<ProfileSettingLine> profileSettingOf(std::string_view line);
// Names as the store compares them: without regard to case, by Unicode's case folding
// (a name that is not valid UTF-8: ASCII letters only, every other byte as it is).
bool profileNamesMatch(std::string_view a, std::string_view b);
// The name folded so that two names match exactly when their folded forms are equal.
std::string profileNameKey(std::string_view name);
// A setting line for `key` and `value`, quoting the value when reading would lose some
// of it (see profileSet).
std::string profileSettingText(std::string_view key, std::string_view value);
// The line end new lines of `text` get: that of its first line, or the platform's.
std::string_view profileLineEnd(std::string_view text);

// The integer reading of the Windows profile service: blanks, an optional sign and
// decimal digits, stopping at the first other character; no digit reads 0. Digits
// beyond 32 bits wrap around, as the service's conversion does. At most the first 29
// characters count (the service reads through a 30-character buffer).
int32_t profileParseInt(std::string_view value);

}  // namespace vellora
