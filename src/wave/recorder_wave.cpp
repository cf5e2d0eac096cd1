// SPDX-License-Identifier: GPL-3.0-or-later
#include "wave/recorder_wave.h"

#include <algorithm>
#include <cmath>

namespace vellora {

namespace {

void put32(std::vector<uint8_t>& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}
void put16(std::vector<uint8_t>& b, uint16_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
void tag(std::vector<uint8_t>& b, const char (&t)[5]) { b.insert(b.end(), t, t + 4); }

}  // namespace

std::vector<uint8_t> pcm8MonoHeader(uint32_t sampleRate, uint32_t dataSize, FmtChunk fmt) {
    const uint32_t fmtSize = fmt == FmtChunk::Canonical ? 16 : 18;
    const uint32_t pad = dataSize % 2;
    std::vector<uint8_t> h;
    h.reserve(kWaveHeaderSize + 2);
    tag(h, "RIFF");
    // Everything after these 8 bytes: "WAVE", the fmt chunk with its 8-byte head, the
    // data chunk's 8-byte head, the samples and the pad.
    put32(h, 4 + (8 + fmtSize) + 8 + dataSize + pad);
    tag(h, "WAVE");
    tag(h, "fmt ");
    put32(h, fmtSize);
    put16(h, 1);  // PCM
    put16(h, 1);  // mono
    put32(h, sampleRate);
    put32(h, sampleRate);  // bytes per second: one byte per sample
    put16(h, 1);           // block align
    put16(h, 8);           // bits per sample
    if (fmt == FmtChunk::WithExtensionSize) put16(h, 0);
    tag(h, "data");
    put32(h, dataSize);
    return h;
}

uint8_t clipSample(float x) {
    // NaN and infinity (a damaged file, a broken driver) are no sound: silence, never the
    // undefined conversion of a NaN to an integer.
    if (!std::isfinite(x)) return 128;
    const float v = std::floor(x * 128.0f + 128.0f);
    return uint8_t(std::clamp(v, 0.0f, 255.0f));
}

std::vector<uint8_t> pcmWaveFile(std::span<const uint8_t> samples, uint32_t sampleRate) {
    const auto dataSize = uint32_t(samples.size());
    std::vector<uint8_t> b = pcm8MonoHeader(sampleRate, dataSize, FmtChunk::Canonical);
    b.insert(b.end(), samples.begin(), samples.end());
    if (dataSize % 2) b.push_back(0);
    return b;
}

}  // namespace vellora
