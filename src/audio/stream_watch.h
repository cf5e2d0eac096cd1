// SPDX-License-Identifier: GPL-3.0-or-later
// Telling a stream that delivers sound from one that only goes through the motions.
// When the sound server goes away, RtAudio's PulseAudio backend keeps calling back at
// once and for ever with its last buffer, and reports each failed read or write only
// to the error callback, which carries no user data. The error callback runs on the
// stream's own thread, so it marks that thread, and the stream callback, on the same
// thread, reads the mark.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

namespace vellora {

class StreamWatch {
  public:
    using Clock = std::chrono::steady_clock;

    // Consecutive blocks with errors that make a stream dead: one alone may be an
    // overrun the backend recovered from.
    static constexpr int kErrorBlocks = 3;
    // A stream delivering more than this many times real time, beyond the allowance
    // below for buffers filled at start, is spinning.
    static constexpr int kSpeedLimit = 2;
    static constexpr std::chrono::milliseconds kStartAllowance{3000};

    // A new stream of `rate` frames per second: forgets an earlier failure.
    void restart(unsigned rate);

    // From the stream callback, before its block is used. False when the block is no
    // new sound (the stream has failed), and from then on.
    bool blockIsLive(unsigned frames, Clock::time_point now = Clock::now());

    bool failed() const { return failed_.load(); }

    // For RtAudio's error callback: the calling thread's stream reported an error.
    static void reportError();

  private:
    unsigned rate_ = 0;
    bool started_ = false;
    Clock::time_point start_{};
    uint64_t frames_ = 0;
    int errorBlocks_ = 0;
    std::atomic<bool> failed_{false};
};

}  // namespace vellora
