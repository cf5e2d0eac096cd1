// SPDX-License-Identifier: GPL-3.0-or-later
// The calibration tone: "Calibration.wav", one second of sine at 22050 samples per
// second, unsigned 8-bit mono, 22096 bytes (a 46-byte header whose format chunk is
// 18 bytes long, then 22050 samples).
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

#include "common/status.h"
#include "wave/wave_format.h"

namespace vellora {

inline constexpr int kToneSampleRate = int(kSampleRate);
inline constexpr int kToneSamples = int(kSampleRate);  // one second
inline constexpr int kToneHeaderSize = 46;
inline constexpr int kToneFileSize = kToneHeaderSize + kToneSamples;  // 22096
inline constexpr const char* kCalibrationToneFile = "Calibration.wav";

using ToneFile = std::array<uint8_t, kToneFileSize>;

// The file's bytes for a frequency in hertz (0 .. 5000 from the dialog). Sample k,
// k = 1 .. 22050, is 127 sin(k w) + 128 rounded halves to even, with the phase step
// w = f * 2 pi / 22050 rounded to a single float: the first sample is one step into
// the wave and the last lands on the zero line, so the file loops without a click.
ToneFile calibrationToneBytes(int16_t frequency);

// True when `file` holds exactly the bytes calibrationToneBytes(frequency) gives: a
// missing, shorter, longer or other file does not.
bool toneFileHolds(const std::filesystem::path& file, int16_t frequency);

// Writes "Calibration.wav" into `folder` (the current directory for the program)
// through a temporary file renamed over the old one. On success frequenceCal becomes
// `frequency`; on failure it keeps its value, so it never names a tone the file
// does not hold.
Status WriteCalibrationTone(int16_t frequency, int16_t& frequenceCal,
                            const std::filesystem::path& folder = ".");

// The largest tone file played: the program's own is 22096 bytes, and one second in the
// richest common format (32-bit float stereo at 96000 per second) is 768 kB. A larger
// file under the tone's name is no tone and is not loaded.
inline constexpr std::uintmax_t kLargestToneFile = std::uintmax_t(1) << 20;

// True when `file` can be handed to the sound service: a regular file (links followed)
// of at most kLargestToneFile bytes. A FIFO, device or folder is refused without
// being waited on.
bool isPlayableToneFile(const std::filesystem::path& file);

}  // namespace vellora
