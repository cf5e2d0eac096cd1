// SPDX-License-Identifier: GPL-3.0-or-later
// Holds the sound input open while any watched window is shown: from the calibration
// dialog or the Belt window the user is about to measure, and the first clip of that
// run should not wait for the input to open.
#pragma once

#include <QObject>

#include <functional>
#include <set>

class QWidget;

namespace vellora {

class InputHold : public QObject {
  public:
    // `hold(true)` when the first watched window shows, `hold(false)` when the last one
    // hides or goes; an empty function holds nothing.
    explicit InputHold(std::function<void(bool held)> hold, QObject* parent = nullptr);
    ~InputHold() override;

    void watch(QWidget* window);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void setShown(QObject* window, bool shown);

    std::function<void(bool)> hold_;
    std::set<QObject*> shown_;
};

}  // namespace vellora
