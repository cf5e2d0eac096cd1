// SPDX-License-Identifier: GPL-3.0-or-later
// Qt's own texts (standard buttons, file and message dialogs) and the number format in
// the interface language: Debian's qt6-translations-l10n catalogues, switched with the
// language. One instance for the program; tests may make their own.
#pragma once

#include <QLocale>
#include <QTranslator>
#include <memory>
#include <string>

namespace vellora {

// The locale of the interface language named as in the language menu: French for
// "Français", English for every other name (as the help does).
QLocale interfaceLocale(const std::string& languageName);

class QtTranslations {
  public:
    ~QtTranslations();

    // Installs Qt's catalogue for the language and makes its locale the default one,
    // so numbers are shown and read with its decimal mark. False when the catalogue is
    // missing; Qt's texts then stay in English, the locale still changes.
    bool use(const std::string& languageName);

    // The one the program switches with its language.
    static QtTranslations& shared();

  private:
    std::unique_ptr<QTranslator> installed_;
};

}  // namespace vellora
