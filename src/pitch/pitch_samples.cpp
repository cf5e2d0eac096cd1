// SPDX-License-Identifier: GPL-3.0-or-later
#include "pitch/pitch_samples.h"

#include <cstring>

#include "common/regular_file.h"
#include "wave/wave_format.h"

namespace vellora {

namespace {

constexpr size_t kCanonicalHeader = kWaveHeaderSize;
constexpr size_t kRiffHeader = 12;  // "RIFF", size, "WAVE"
constexpr size_t kChunkHeader = 8;  // id, size

uint32_t littleEndian32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

}  // namespace

std::vector<uint8_t> recordingSamples(std::span<const uint8_t> file) {
    if (file.size() >= kRiffHeader && std::memcmp(file.data(), "RIFF", 4) == 0 &&
        std::memcmp(file.data() + 8, "WAVE", 4) == 0) {
        size_t at = kRiffHeader;
        while (at + kChunkHeader <= file.size()) {
            const size_t size = littleEndian32(file.data() + at + 4);
            const size_t body = at + kChunkHeader;
            if (std::memcmp(file.data() + at, "data", 4) == 0) {
                const size_t end = size > file.size() - body ? file.size() : body + size;
                return {file.begin() + std::ptrdiff_t(body), file.begin() + std::ptrdiff_t(end)};
            }
            // Chunks are word-aligned: an odd size is followed by a pad byte.
            const size_t next = body + size + (size & 1);
            if (next <= at || next > file.size()) break;
            at = next;
        }
    }
    if (file.size() <= kCanonicalHeader) return {};
    return {file.begin() + kCanonicalHeader, file.end()};
}

std::vector<uint8_t> readRecordingSamples(const std::string& path) {
    const RegularFileBytes file = readRegularFile(path, kRecordingReadLimit);
    if (!file.read()) return {};
    return recordingSamples(
        std::span(reinterpret_cast<const uint8_t*>(file.bytes.data()), file.bytes.size()));
}

}  // namespace vellora
