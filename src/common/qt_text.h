// SPDX-License-Identifier: GPL-3.0-or-later
// Texts cross between the window-free code (UTF-8 std::string) and Qt (QString) here.
// Header-only, for Qt code only: the core builds without Qt.
#pragma once

#include <QLocale>
#include <QString>
#include <string>

namespace vellora {

inline QString fromUtf8(const std::string& s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}
inline std::string toUtf8(const QString& s) { return s.toUtf8().toStdString(); }

// A number with `decimals` places and the interface language's decimal mark, without
// thousands separators, as every read-out and table shows it.
inline QString localeDecimals(double v, int decimals) {
    QLocale shown;
    shown.setNumberOptions(QLocale::OmitGroupSeparator);
    return shown.toString(v, 'f', decimals);
}

}  // namespace vellora
