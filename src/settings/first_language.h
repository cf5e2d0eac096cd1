// SPDX-License-Identifier: GPL-3.0-or-later
// The language of the first start, when the settings file holds none: French for a
// French locale, English for any other, so that a reader of the English README sees
// the English window. A stored language always wins. Window-free.
#pragma once

#include <string>

namespace vellora {

// The locale variables that name the language of messages, as the C library reads
// them: LC_ALL, then LC_MESSAGES, then LANG; the first one set and not empty counts.
struct LocaleVariables {
    const char* lcAll = nullptr;
    const char* lcMessages = nullptr;
    const char* lang = nullptr;
};

// The variables of this process's environment.
LocaleVariables localeFromEnvironment();

// "Français" when the messages' locale is French ("fr", "fr_FR.UTF-8", "fr_CA@euro"),
// else "English" (also for "C", "POSIX" and no locale at all).
std::string firstStartLanguage(const LocaleVariables& locale);

}  // namespace vellora
