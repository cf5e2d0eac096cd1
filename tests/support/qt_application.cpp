// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/qt_application.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QThread>
#include <QWidget>

namespace vellora {

void ensureGuiApplication() {
    static int argc = 1;
    static char name[] = "vellora_test";
    static char* argv[] = {name, nullptr};
    if (QApplication::instance()) return;
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    new QApplication(argc, argv);
}

bool processEventsUntil(const std::function<bool()>& done, int boundMs) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < boundMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QThread::msleep(1);
    }
    return done();
}

void pressKey(QWidget* to, int key, Qt::KeyboardModifiers modifiers) {
    QKeyEvent down(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(to, &down);
}

}  // namespace vellora
