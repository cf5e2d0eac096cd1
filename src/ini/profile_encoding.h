// SPDX-License-Identifier: GPL-3.0-or-later
// Text encodings of the profile (INI) files: the store works in UTF-8, reads lines
// written by the Windows version (Windows-1252) as well, and cuts values at character
// boundaries. The encoding is decided line by line: a file edited by hand often holds
// both, and one stray Windows-1252 byte in a comment must not turn every other line's
// UTF-8 into mojibake.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vellora {

// True when `bytes` is well-formed UTF-8 (no overlong forms, no surrogates, nothing
// above U+10FFFF).
bool isValidUtf8(std::string_view bytes);

// Every byte as its Windows-1252 character, in UTF-8. The five bytes that code page
// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the control characters of
// the same number, as Windows itself converts them.
std::string windows1252ToUtf8(std::string_view bytes);

// One line (or any piece of text without a line break) in UTF-8: valid UTF-8 is taken
// as it is, anything else is read as Windows-1252. Returns `bytes` itself when it is
// valid UTF-8, else a view of `storage`, which receives the conversion.
std::string_view decodeProfileLine(std::string_view bytes, std::string& storage);

// The text of a profile file's bytes, in UTF-8, each line decoded as decodeProfileLine
// does (less a leading byte-order mark); line ends are kept.
std::string decodeProfileBytes(std::string_view bytes);

// `bytes` less a leading UTF-8 byte-order mark.
std::string_view withoutByteOrderMark(std::string_view bytes);

// The first `maxChars` characters (code points) of the UTF-8 text `text`.
std::string_view utf8Prefix(std::string_view text, std::size_t maxChars);

}  // namespace vellora
