// SPDX-License-Identifier: GPL-3.0-or-later
// A logout or a `kill` (SIGTERM), a closed terminal (SIGHUP) or Ctrl+C (SIGINT) ends the
// program as its close button does, with the window's placement and settings saved. The
// handler itself only writes one byte to a socket; the event loop reads it and does the
// work, since almost nothing is safe inside a signal handler.
#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace vellora {

class TerminationSignals : public QObject {
  public:
    // From now on, each of these signals calls `onSignal` from the event loop. A second
    // signal of the same kind while the first is handled ends the program at once, as
    // the system would have: an insisting user is not held up.
    explicit TerminationSignals(std::function<void()> onSignal, QObject* parent = nullptr);
    // The system's own handling back.
    ~TerminationSignals() override;

    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

  private:
    void received();

    std::function<void()> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace vellora
