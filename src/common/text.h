// SPDX-License-Identifier: GPL-3.0-or-later
// Plain-text helpers shared by the file readers.
#pragma once

#include <string_view>

namespace vellora {

// What the language lookup gives for a missing file, section or key.
inline constexpr const char* kMissingText = "Err!!";

// `s` without the characters of `blanks` at either end.
std::string_view trimmed(std::string_view s, std::string_view blanks = " \t");

}  // namespace vellora
