// SPDX-License-Identifier: GPL-3.0-or-later
// Opening the audio library: RtAudio on the system's sound server (PulseAudio on
// Linux), its warnings silenced. RtAudio reports a device or stream it cannot use by
// throwing RtAudioError; this layer catches that one type and turns it into the
// recorder's and player's result codes. Anything else (out of memory) is not ours to
// hide and goes on.
#pragma once

#include <RtAudio.h>

#include <memory>
#include <string>

namespace vellora {

// Nothing when no audio interface can be created at all.
std::unique_ptr<RtAudio> openAudioLibrary();

// Error callback for openStream(): RtAudio 5 reports stream errors here rather than
// throwing on its own thread. Errors on a stream's thread go to that stream's
// StreamWatch; the text adds nothing the user could act on.
void noteAudioError(RtAudioError::Type type, const std::string& text);

// Closes whatever stream `audio` has open; never throws.
void closeAudioStream(RtAudio& audio);

}  // namespace vellora
