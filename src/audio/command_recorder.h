// SPDX-License-Identifier: GPL-3.0-or-later
// The command-string recorder the capture sequence talks to: text commands to a
// waveaudio recording device, one result code each.
#pragma once

#include <cstdint>
#include <string_view>

namespace vellora {

class CommandRecorder {
  public:
    virtual ~CommandRecorder() = default;
    // Runs one command text and returns 0 or a RecorderResult code; a text outside the
    // command set returns kUnrecognisedCommand and changes nothing.
    virtual int32_t send(std::string_view command) = 0;
};

}  // namespace vellora
