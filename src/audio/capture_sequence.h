// SPDX-License-Identifier: GPL-3.0-or-later
// The eight recorder commands of one measurement cycle, built in this one place: they
// record 400 ms at 22050 samples per second, 8 bits, mono, and save "test.wav" in the
// current directory. Shut-down sends the first of them too.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "audio/command_recorder.h"

namespace vellora {

inline constexpr int kCaptureCommandCount = 8;

// "close all", "open new type waveaudio alias capture", "seek capture to start",
// "set capture samplespersec  22050", "set capture bitspersample 8",
// "set capture channels 1", "record capture to  400 wait", "save capture test.wav wait".
// The numbers are appended with a blank reserved for their sign, hence two blanks
// before 22050 and 400.
const std::array<std::string, kCaptureCommandCount>& captureCommands();

inline const std::string& closeAllCommand() { return captureCommands()[0]; }

// Sends the eight commands in order, each whatever the one before returned; `retour`
// holds each result in turn and ends with the save's. Returns 0 when all succeeded,
// otherwise the first failing command's code.
int32_t sendCaptureSequence(CommandRecorder& recorder, int32_t& retour);

}  // namespace vellora
