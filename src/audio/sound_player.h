// SPDX-License-Identifier: GPL-3.0-or-later
// The sound service: asynchronous, optionally looping playback of a WAVE file, and
// stopping of any sound, with the flags of the play-sound call it stands in for.
#pragma once

namespace vellora {

inline constexpr unsigned kSoundAsync = 1;
inline constexpr unsigned kSoundNoDefault = 2;  // accepted; there is no default sound anyway
inline constexpr unsigned kSoundLoop = 8;

// Why nothing plays that was asked to.
enum class SoundProblem {
    None,
    File,    // the file is missing, a folder, or holds no sound that can be read
    Output,  // no sound output could be opened
    Lost,    // the output failed while playing (device unplugged, sound server gone)
};

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
    // Why the last request plays nothing, or Lost once its output failed; None while it
    // plays, after its end and after a stop.
    virtual SoundProblem problem() const = 0;
};

}  // namespace vellora
