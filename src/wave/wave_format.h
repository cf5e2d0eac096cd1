// SPDX-License-Identifier: GPL-3.0-or-later
// The meter's one sound format: every clip it records and the calibration tone are
// unsigned 8-bit mono PCM at this rate, and every clip is transformed at this size.
#pragma once

#include <cstdint>

namespace vellora {

inline constexpr uint32_t kSampleRate = 22050;  // samples per second
inline constexpr int kTransformSize = 4096;     // points of the meter's FFT
inline constexpr int kClipMilliseconds = 400;   // one recording of the cycle
inline constexpr uint32_t kClipSamples = kSampleRate * kClipMilliseconds / 1000;  // 8820
// The canonical header: RIFF, a 16-byte "fmt " chunk, "data".
inline constexpr int kWaveHeaderSize = 44;
// The file each cycle records into and reads back, in the working folder.
inline constexpr char kRecordingFileName[] = "test.wav";

}  // namespace vellora
