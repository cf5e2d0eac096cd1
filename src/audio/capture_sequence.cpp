// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/capture_sequence.h"

#include "wave/wave_format.h"

namespace vellora {

namespace {

// A non-negative number as text, with the blank that stands in its sign's place.
std::string signedField(int32_t n) { return (n < 0 ? "" : " ") + std::to_string(n); }

constexpr int32_t kSamplesPerSecond = int32_t(kSampleRate);

}  // namespace

const std::array<std::string, kCaptureCommandCount>& captureCommands() {
    static const std::array<std::string, kCaptureCommandCount> commands = {
        "close all",
        "open new type waveaudio alias capture",
        "seek capture to start",
        "set capture samplespersec " + signedField(kSamplesPerSecond),
        "set capture bitspersample 8",
        "set capture channels 1",
        "record capture to " + signedField(kClipMilliseconds) + " wait",
        "save capture " + std::string(kRecordingFileName) + " wait",
    };
    return commands;
}

int32_t sendCaptureSequence(CommandRecorder& recorder, int32_t& retour) {
    int32_t firstFailure = 0;
    for (const std::string& command : captureCommands()) {
        retour = recorder.send(command);
        if (firstFailure == 0) firstFailure = retour;
    }
    return firstFailure;
}

}  // namespace vellora
