// All sample bytes of a saved recording, for the precise pitch estimate. Unlike the
// meter's fixed-offset reader this finds the "data" chunk, so the whole 400 ms (8820
// unsigned 8-bit samples at the nominal 22050 per second) is used and no header byte
// is taken for a sample.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vellora {

// The bytes of the first "data" chunk of a RIFF/WAVE file, limited to the file's end.
// Without a readable chunk list the canonical 44-byte header is assumed; a file of 44
// bytes or fewer gives no samples.
std::vector<uint8_t> recordingSamples(std::span<const uint8_t> file);

// The same for a file on disk; empty when it is missing or unreadable.
std::vector<uint8_t> readRecordingSamples(const std::string& path);

}  // namespace vellora
