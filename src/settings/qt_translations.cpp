// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>

#include "settings/language_names.h"

namespace vellora {

QLocale interfaceLocale(const std::string& languageName) {
    return languageName == kFrenchLanguage ? QLocale(QLocale::French, QLocale::France)
                                           : QLocale(QLocale::English, QLocale::UnitedKingdom);
}

QtTranslations::~QtTranslations() {
    // The shared one outlives the application object, which takes its translators along.
    if (installed_ && QCoreApplication::instance())
        QCoreApplication::removeTranslator(installed_.get());
}

bool QtTranslations::use(const std::string& languageName) {
    const QLocale locale = interfaceLocale(languageName);
    QLocale::setDefault(locale);
    if (installed_) {
        QCoreApplication::removeTranslator(installed_.get());
        installed_.reset();
    }
    auto next = std::make_unique<QTranslator>();
    if (!next->load(locale, "qtbase", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    QCoreApplication::installTranslator(next.get());
    installed_ = std::move(next);
    return true;
}

QtTranslations& QtTranslations::shared() {
    static QtTranslations translations;
    return translations;
}

}  // namespace vellora
