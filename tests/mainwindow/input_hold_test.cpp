// SPDX-License-Identifier: GPL-3.0-or-later
// The input is held while any watched window is shown, and only then; activating a
// shown one wakes it.
#include "mainwindow/input_hold.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>
#include <memory>
#include <vector>

#include "support/qt_application.h"

namespace vellora {
namespace {

using Calls = std::vector<bool>;

TEST(InputHold, HeldFromTheFirstWindowShownToTheLastHiddenOrGone) {
    ensureGuiApplication();
    Calls calls;
    int wakes = 0;
    const auto activate = [](QWidget& w) {
        QEvent e(QEvent::WindowActivate);
        QApplication::sendEvent(&w, &e);
    };
    QWidget a, b, shownBefore;
    shownBefore.show();
    {
        InputHold hold([&](bool held) { calls.push_back(held); }, [&] { ++wakes; });
        hold.watch(&shownBefore);
        EXPECT_EQ(calls, Calls{true});
        shownBefore.hide();
        auto c = std::make_unique<QWidget>();
        for (QWidget* w : {&a, &b, c.get()}) hold.watch(w);
        a.show();
        b.show();
        a.hide();
        b.hide();
        EXPECT_EQ(calls, (Calls{true, false, true, false}));
        c->show();
        c.reset();  // destroyed while shown
        EXPECT_EQ(calls, (Calls{true, false, true, false, true, false}));
        a.show();
        activate(a);
        activate(b);  // hidden: nothing to wake for
        EXPECT_EQ(wakes, 1);
    }
    EXPECT_EQ(calls.back(), false) << "the hold ends with the watcher";
}

}  // namespace
}  // namespace vellora
