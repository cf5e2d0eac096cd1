// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/text.h"

namespace vellora {

std::string_view trimmed(std::string_view s, std::string_view blanks) {
    const auto first = s.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(blanks) - first + 1);
}

}  // namespace vellora
