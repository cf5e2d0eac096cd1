// SPDX-License-Identifier: GPL-3.0-or-later
// Holds the sound input open while any watched window is shown: from the main window,
// the calibration dialog or the Belt window the user is about to measure, and the first
// clip of that run should not wait for the input to open. A minimised window is hidden.
#pragma once

#include <QObject>

#include <functional>
#include <set>

class QWidget;

namespace vellora {

class InputHold : public QObject {
  public:
    // `hold(true)` when the first watched window shows, `hold(false)` when the last one
    // hides or goes; `wake()` when a shown one is activated. Empty functions do nothing.
    InputHold(std::function<void(bool held)> hold, std::function<void()> wake,
              QObject* parent = nullptr);
    ~InputHold() override;

    void watch(QWidget* window);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void setShown(QObject* window, bool shown);

    std::function<void(bool)> hold_;
    std::function<void()> wake_;
    std::set<QObject*> shown_;
};

}  // namespace vellora
