// SPDX-License-Identifier: GPL-3.0-or-later
#include "calibration/typed_frequency.h"

#include <cctype>

#include "common/text.h"

namespace vellora {

std::optional<int> parseTypedFrequency(std::string_view text, int low, int high) {
    std::string_view s = trimmed(text);
    if (s.size() >= 2 && std::tolower(static_cast<unsigned char>(s[s.size() - 2])) == 'h' &&
        std::tolower(static_cast<unsigned char>(s.back())) == 'z')
        s = trimmed(s.substr(0, s.size() - 2));
    if (s.empty()) return std::nullopt;
    long value = 0;
    for (char c : s) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > high) return std::nullopt;  // also stops long digit runs overflowing
    }
    if (value < low) return std::nullopt;
    return int(value);
}

}  // namespace vellora
