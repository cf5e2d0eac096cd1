// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/stream_watch.h"

namespace vellora {

namespace {
// Errors reported on this thread since its stream callback last looked.
thread_local int errorsOnThisThread = 0;
}  // namespace

void StreamWatch::reportError() { ++errorsOnThisThread; }

void StreamWatch::restart(unsigned rate) {
    rate_ = rate;
    started_ = false;
    frames_ = 0;
    errorBlocks_ = 0;
    failed_ = false;
}

bool StreamWatch::blockIsLive(unsigned frames, Clock::time_point now) {
    if (failed_) return false;
    const bool error = errorsOnThisThread > 0;
    errorsOnThisThread = 0;
    errorBlocks_ = error ? errorBlocks_ + 1 : 0;
    if (!started_) {
        started_ = true;
        start_ = now;
    }
    frames_ += frames;
    // Frames real time could have delivered: kSpeedLimit times the time elapsed, plus
    // what buffers filled at the start may hold.
    const auto elapsed = std::chrono::duration<double>(now - start_ + kStartAllowance).count();
    const bool tooFast = double(frames_) > double(rate_) * kSpeedLimit * elapsed;
    if (errorBlocks_ >= kErrorBlocks || (rate_ > 0 && tooFast)) failed_ = true;
    return !failed_ && !error;
}

}  // namespace vellora
