// SPDX-License-Identifier: GPL-3.0-or-later
// The sound service: asynchronous, optionally looping playback of a WAVE file, and
// stopping of any sound, with the flags of the play-sound call it stands in for.
#pragma once

#include "common/status.h"

namespace vellora {

inline constexpr unsigned kSoundAsync = 1;
inline constexpr unsigned kSoundNoDefault = 2;  // accepted; there is no default sound anyway
inline constexpr unsigned kSoundLoop = 8;

class SoundPlayer {
  public:
    virtual ~SoundPlayer() = default;
    // name == nullptr: stops any sound, true. Otherwise stops any sound and plays the
    // file (relative names against the current directory), in an endless gapless loop
    // with kSoundLoop; needs kSoundAsync. False, with nothing playing, when the file is
    // missing or unreadable, no output opens, or kSoundAsync is absent.
    virtual bool sndPlaySound(const char* name, unsigned flags) = 0;
    // A sound is playing (a loop until stopped, a single play until its end).
    virtual bool playing() const = 0;
    // Why the last request plays nothing, or that its output failed while playing; ok
    // while it plays, after its end and after a stop. The file's own failure (missing,
    // not regular, no sound in it), or DeviceFailed: no output opens, or the output
    // stopped answering (device unplugged, sound server gone).
    virtual Status problem() const = 0;
};

}  // namespace vellora
