// SPDX-License-Identifier: GPL-3.0-or-later
// A calibration frequency typed into the dialog's text box. Window-free.
#pragma once

#include <optional>
#include <string_view>

namespace vellora {

// The whole number of hertz in `text` when it lies in low .. high: digits, optionally
// followed by the unit "Hz" (any letter case, blank before it or not), blanks around.
// Nothing for anything else (an empty text, a sign, a fraction, other words, a number
// outside the range), so the caller keeps the frequency it had.
std::optional<int> parseTypedFrequency(std::string_view text, int low, int high);

}  // namespace vellora
