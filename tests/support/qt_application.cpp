// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/qt_application.h"

#include <QApplication>

namespace vellora {

void ensureGuiApplication() {
    static int argc = 1;
    static char name[] = "vellora_test";
    static char* argv[] = {name, nullptr};
    if (QApplication::instance()) return;
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    new QApplication(argc, argv);
}

}  // namespace vellora
