// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/termination_signals.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <iterator>

namespace vellora {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};
// [0] written by the handler, [1] read by the event loop. One set for the process, as
// the handlers are.
int pair[2] = {-1, -1};
// The handling before, put back at the end.
struct sigaction before[std::size(kSignals)];

void onSignal(int) {
    const int saved = errno;
    const char byte = 1;
    // Non-blocking: signals arriving faster than they are read are one request anyway.
    (void)!::write(pair[0], &byte, 1);
    errno = saved;
}

}  // namespace

TerminationSignals::TerminationSignals(std::function<void()> handler, QObject* parent)
    : QObject(parent), onSignal_(std::move(handler)) {
    if (pair[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return;
    ::fcntl(pair[0], F_SETFL, ::fcntl(pair[0], F_GETFL) | O_NONBLOCK);
    ::fcntl(pair[1], F_SETFL, ::fcntl(pair[1], F_GETFL) | O_NONBLOCK);
    notifier_ = new QSocketNotifier(pair[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::received);
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    // SA_RESETHAND: the next signal of the kind gets the system's handling.
    action.sa_flags = int(SA_RESTART | SA_RESETHAND);
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        ::sigaction(kSignals[i], nullptr, &before[i]);
        // A signal ignored by whoever started the program (nohup) stays ignored.
        if (before[i].sa_handler != SIG_IGN) ::sigaction(kSignals[i], &action, nullptr);
    }
}

TerminationSignals::~TerminationSignals() {
    if (!notifier_) return;
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        ::sigaction(kSignals[i], &before[i], nullptr);
}

void TerminationSignals::received() {
    char bytes[64];
    while (::read(pair[1], bytes, sizeof bytes) > 0) {
    }
    if (onSignal_) onSignal_();
}

}  // namespace vellora
