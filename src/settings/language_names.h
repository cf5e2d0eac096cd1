// SPDX-License-Identifier: GPL-3.0-or-later
// The names of the two languages the program ships, as stored under Langue, shown in the
// menu and spelled in their files' names (UTF-8), and the ending of a language file.
#pragma once

namespace vellora {

inline constexpr char kEnglishLanguage[] = "English";
inline constexpr char kFrenchLanguage[] =
    "Fran\xC3\xA7"
    "ais";
inline constexpr char kLanguageFileSuffix[] = ".lng";

}  // namespace vellora
