// Opening the audio library: RtAudio on the system's sound server (PulseAudio on
// Linux), its warnings silenced and its exceptions kept inside this layer.
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
