// SPDX-License-Identifier: GPL-3.0-or-later
// The capture side under the recorder: unsigned 8-bit mono samples at 22050 per
// second from the system's default input. All calls come from one thread.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "wave/wave_format.h"

namespace vellora {

inline constexpr uint32_t kCaptureRate = kSampleRate;

class AudioInput {
  public:
    virtual ~AudioInput() = default;
    // Makes sure the input stream runs; 0, kNoInputDevice or kFormatRefused.
    virtual int32_t open() = 0;
    // Waits, without spinning, for `count` samples and puts them into `out`: those that
    // follow the previous recording when it ended no more than `count` samples ago (a
    // running measurement loses nothing between its clips), otherwise the next ones to
    // arrive after the call. 0, or kNoAudioInTime when `bound` passed first (or the
    // stream failed), or an open() code when the stream had to be reopened and could not.
    virtual int32_t record(size_t count, std::chrono::milliseconds bound,
                           std::vector<uint8_t>& out) = 0;
    // Not needed until the next open(); the stream may close after a short idle time.
    virtual void release() = 0;
};

}  // namespace vellora
