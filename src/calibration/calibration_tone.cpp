#include "calibration/calibration_tone.h"

#include <cmath>

#include "common/atomic_file.h"
#include "common/numeric.h"

namespace vellora {

namespace {

constexpr double kFullTurn = 6.28318530717958;

void put16(ToneFile& f, size_t at, uint16_t v) {
    f[at] = uint8_t(v & 0xff);
    f[at + 1] = uint8_t(v >> 8);
}

void put32(ToneFile& f, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) f[at + i] = uint8_t((v >> (8 * i)) & 0xff);
}

void putTag(ToneFile& f, size_t at, const char (&tag)[5]) {
    for (int i = 0; i < 4; ++i) f[at + i] = uint8_t(tag[i]);
}

}  // namespace

ToneFile calibrationToneBytes(int16_t frequency) {
    ToneFile f{};
    putTag(f, 0, "RIFF");
    put32(f, 4, kToneFileSize - 8);
    putTag(f, 8, "WAVE");
    putTag(f, 12, "fmt ");
    put32(f, 16, 18);  // PCM description plus a 2-byte extension size
    put16(f, 20, 1);   // PCM
    put16(f, 22, 1);   // mono
    put32(f, 24, kToneSampleRate);
    put32(f, 28, kToneSampleRate);  // bytes per second
    put16(f, 32, 1);                // block align
    put16(f, 34, 8);                // bits per sample
    put16(f, 36, 0);                // extension size
    putTag(f, 38, "data");
    put32(f, 42, kToneSamples);

    const float w = static_cast<float>(frequency * kFullTurn / kToneSampleRate);
    for (int k = 1; k <= kToneSamples; ++k) {
        const double v = 127 * std::sin(k * double(w)) + 128;
        f[kToneHeaderSize + k - 1] = static_cast<uint8_t>(roundHalfEven(v));
    }
    return f;
}

ToneWriteResult WriteCalibrationTone(int16_t frequency, int16_t& frequenceCal,
                                     const std::filesystem::path& folder) {
    const ToneFile bytes = calibrationToneBytes(frequency);
    ToneWriteResult result;
    result.ok = writeFileAtomically(folder / kCalibrationToneFile, bytes, &result.error);
    if (result.ok) frequenceCal = frequency;
    return result;
}

}  // namespace vellora
