// The recorder's saved file: a standard PCM WAVE of unsigned 8-bit mono samples with
// the canonical 44-byte header (RIFF, a 16-byte "fmt " chunk, "data").
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace vellora {

inline constexpr int kWaveHeaderSize = 44;

// 44 header bytes, then the samples, then one zero pad byte when their count is odd
// (RIFF chunks are word-aligned; the data size still counts only the samples).
std::vector<uint8_t> pcmWaveFile(std::span<const uint8_t> samples, uint32_t sampleRate);

}  // namespace vellora
