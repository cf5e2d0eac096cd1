// The input is held while any watched window is shown, and only then.
#include "mainwindow/input_hold.h"

#include <gtest/gtest.h>

#include <QWidget>
#include <memory>
#include <vector>

#include "belt/belt_window.h"
#include "mainwindow/form1.h"
#include "support/qt_application.h"

namespace vellora {
namespace {

class InputHoldTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { ensureGuiApplication(); }
    std::vector<bool> calls;
    std::function<void(bool)> record() {
        return [this](bool held) { calls.push_back(held); };
    }
};

TEST_F(InputHoldTest, HeldFromTheFirstWindowShownToTheLastHiddenOrGone) {
    InputHold hold(record());
    QWidget a, b;
    auto c = std::make_unique<QWidget>();
    hold.watch(&a);
    hold.watch(&b);
    hold.watch(c.get());
    EXPECT_TRUE(calls.empty());  // nothing shown yet

    a.show();
    b.show();
    EXPECT_EQ(calls, std::vector<bool>{true});
    a.hide();
    EXPECT_EQ(calls, std::vector<bool>{true});
    b.hide();
    EXPECT_EQ(calls, (std::vector<bool>{true, false}));

    c->show();
    c.reset();  // destroyed while shown
    EXPECT_EQ(calls, (std::vector<bool>{true, false, true, false}));
}

TEST_F(InputHoldTest, AWindowAlreadyShownHoldsAtOnceAndTheHoldEndsWithTheWatcher) {
    QWidget a;
    a.show();
    {
        InputHold hold(record());
        hold.watch(&a);
        EXPECT_EQ(calls, std::vector<bool>{true});
    }
    EXPECT_EQ(calls, (std::vector<bool>{true, false}));
}

// The main window holds the input while its calibration dialog or Belt window shows.
TEST_F(InputHoldTest, TheCalibrationDialogAndTheBeltWindowHoldTheInput) {
    Form1Services s;
    s.holdInput = record();
    Form1 w(std::move(s));
    w.show();
    w.ChoixFrequence_Click();
    ASSERT_NE(w.calibrationDialog(), nullptr);
    w.Courroie_Click();
    EXPECT_EQ(calls, std::vector<bool>{true});
    w.calibrationDialog()->hide();
    EXPECT_EQ(calls, std::vector<bool>{true});
    w.beltWindow().hide();
    EXPECT_EQ(calls, (std::vector<bool>{true, false}));
}

}  // namespace
}  // namespace vellora
