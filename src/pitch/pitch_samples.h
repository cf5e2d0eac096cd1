// SPDX-License-Identifier: GPL-3.0-or-later
// All sample bytes of a saved recording, for the precise pitch estimate. Unlike the
// meter's fixed-offset reader this finds the "data" chunk, so the whole 400 ms (8820
// unsigned 8-bit samples at the nominal 22050 per second) is used and no header byte
// is taken for a sample.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "wave/wave_format.h"

namespace vellora {

// The bytes of the first "data" chunk of a RIFF/WAVE file, limited to the file's end.
// Without a readable chunk list the canonical 44-byte header is assumed; a file of 44
// bytes or fewer gives no samples.
std::vector<uint8_t> recordingSamples(std::span<const uint8_t> file);

// The estimator looks at the newest three 400 ms clips at most (26460 samples at 22050
// per second): enough for belts from 10 Hz; longer recordings add little and cost time.
inline constexpr std::size_t kMostEstimatedSamples = 3 * kClipSamples;

// The most bytes of a recording file read from the disk: room for the header chunks a
// WAVE writer may put before the data (a few hundred bytes in practice) and the samples
// the estimator uses, so a huge file costs no more than a normal one.
inline constexpr std::size_t kRecordingReadLimit = (std::size_t(64) << 10) + kMostEstimatedSamples;

// The same for a file on disk, read up to kRecordingReadLimit bytes; empty when it is
// missing, unreadable or not a regular file.
std::vector<uint8_t> readRecordingSamples(const std::string& path);

}  // namespace vellora
