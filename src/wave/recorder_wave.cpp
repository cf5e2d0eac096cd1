#include "wave/recorder_wave.h"

#include <algorithm>

namespace vellora {

namespace {

void put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
void put16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
void tag(uint8_t* p, const char (&t)[5]) { std::copy_n(t, 4, p); }

}  // namespace

std::vector<uint8_t> pcmWaveFile(std::span<const uint8_t> samples, uint32_t sampleRate) {
    const auto dataSize = uint32_t(samples.size());
    const uint32_t pad = dataSize % 2;
    std::vector<uint8_t> b(kWaveHeaderSize + dataSize + pad, 0);
    uint8_t* h = b.data();
    tag(h, "RIFF");
    put32(h + 4, 36 + dataSize + pad);
    tag(h + 8, "WAVE");
    tag(h + 12, "fmt ");
    put32(h + 16, 16);
    put16(h + 20, 1);  // PCM
    put16(h + 22, 1);  // mono
    put32(h + 24, sampleRate);
    put32(h + 28, sampleRate);  // bytes per second: one byte per sample
    put16(h + 32, 1);           // block align
    put16(h + 34, 8);           // bits per sample
    tag(h + 36, "data");
    put32(h + 40, dataSize);
    std::copy(samples.begin(), samples.end(), b.begin() + kWaveHeaderSize);
    return b;
}

}  // namespace vellora
