// SPDX-License-Identifier: GPL-3.0-or-later
// The command-string recorder: one waveaudio capture device at a time, opened under
// an alias, recording 22050 Hz unsigned 8-bit mono from an AudioInput and saving it as
// a PCM WAVE file. File names are used as given, so relative ones resolve against
// the current directory.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "audio/audio_input.h"
#include "audio/command_recorder.h"
#include "audio/recorder_command.h"
#include "audio/recorder_result.h"

namespace vellora {

// How much longer than the requested length a recording may take before it fails.
inline constexpr std::chrono::milliseconds kRecordGrace{1500};

class WaveAudioRecorder final : public CommandRecorder {
  public:
    explicit WaveAudioRecorder(AudioInput& input) : input_(input) {}

    int32_t send(std::string_view command) override;

    // 0 or 1: the number of devices open now.
    int openDevices() const { return device_ ? 1 : 0; }

  private:
    struct Device {
        std::string alias;
        std::vector<uint8_t> samples;
        // Why the device holds no recording: nothing recorded yet, or the last
        // recording's failure.
        int32_t noRecording = kNoAudioInTime;
    };

    int32_t run(const RecorderCommand& c);
    int32_t save(const RecorderCommand& c);
    bool isOpen(const std::string& alias) const;

    AudioInput& input_;
    std::optional<Device> device_;
};

}  // namespace vellora
