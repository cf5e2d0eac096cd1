// SPDX-License-Identifier: GPL-3.0-or-later
// The one WAVE writer: unsigned 8-bit mono PCM files, as the recorder saves them and
// as the calibration tone is written.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "wave/wave_format.h"

namespace vellora {

// The "fmt " chunk: the canonical 16 bytes, or 18 with a zero extension size (the
// calibration tone's layout, 46 header bytes).
enum class FmtChunk { Canonical, WithExtensionSize };

// The header of an 8-bit mono PCM file holding `dataSize` samples; the RIFF size counts
// the pad byte a file with an odd count carries after its samples.
std::vector<uint8_t> pcm8MonoHeader(uint32_t sampleRate, uint32_t dataSize, FmtChunk fmt);

// One sample of the clip from a float in -1 .. 1: offset-binary 8 bits, the top byte
// of the 16-bit sample x * 32768 plus 128, as an 8-bit converter delivers it; beyond
// full scale it clips. NaN and infinity give silence (128).
uint8_t clipSample(float x);

// 44 header bytes, then the samples, then one zero pad byte when their count is odd
// (RIFF chunks are word-aligned; the data size still counts only the samples).
std::vector<uint8_t> pcmWaveFile(std::span<const uint8_t> samples, uint32_t sampleRate);

}  // namespace vellora
