// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/audio_backend.h"

#include "audio/stream_watch.h"

namespace vellora {

std::unique_ptr<RtAudio> openAudioLibrary() {
#if defined(__linux__)
    // Asking for PulseAudio by name skips the probe of JACK, which stalls and prints
    // when no JACK server runs.
    constexpr RtAudio::Api kApi = RtAudio::LINUX_PULSE;
#else
    constexpr RtAudio::Api kApi = RtAudio::UNSPECIFIED;
#endif
    try {
        auto audio = std::make_unique<RtAudio>(kApi);
        audio->showWarnings(false);
        return audio;
    } catch (const RtAudioError&) {
        return nullptr;
    }
}

void noteAudioError(RtAudioError::Type, const std::string&) { StreamWatch::reportError(); }

void closeAudioStream(RtAudio& audio) {
    try {
        if (!audio.isStreamOpen()) return;
        if (audio.isStreamRunning()) audio.abortStream();
        audio.closeStream();
    } catch (const RtAudioError&) {
    }
}

}  // namespace vellora
