// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/first_language.h"

#include <cstdlib>
#include <string_view>

#include "settings/language_names.h"
#include "settings/settings_store.h"

namespace vellora {

LocaleVariables localeFromEnvironment() {
    return {std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG")};
}

std::string firstStartLanguage(const LocaleVariables& locale) {
    std::string_view messages;
    for (const char* value : {locale.lcAll, locale.lcMessages, locale.lang}) {
        if (value && *value) {
            messages = value;
            break;
        }
    }
    // The language part ends at the territory, the code set or the modifier.
    const std::string_view language = messages.substr(0, messages.find_first_of("_.@"));
    return language == "fr" ? std::string(kDefaultLangue) : std::string(kEnglishLanguage);
}

}  // namespace vellora
