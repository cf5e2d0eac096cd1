// SPDX-License-Identifier: GPL-3.0-or-later
#include "calibration/calibration_tone.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <fstream>

#include "common/atomic_file.h"
#include "common/file_calls.h"
#include "common/numeric.h"
#include "common/regular_file.h"
#include "wave/recorder_wave.h"

namespace vellora {

ToneFile calibrationToneBytes(int16_t frequency) {
    ToneFile f{};
    const std::vector<uint8_t> header =
        pcm8MonoHeader(kSampleRate, kToneSamples, FmtChunk::WithExtensionSize);
    std::copy(header.begin(), header.end(), f.begin());

    const float w = static_cast<float>(frequency * kDesignFullTurn / kToneSampleRate);
    for (int k = 1; k <= kToneSamples; ++k) {
        const double v = 127 * std::sin(k * double(w)) + 128;
        f[size_t(kToneHeaderSize + k - 1)] = static_cast<uint8_t>(roundHalfEven(v));
    }
    return f;
}

bool isPlayableToneFile(const std::filesystem::path& file) {
    const int fd = openRegularFileForReading(file);
    if (fd < 0) return false;
    struct stat st {};
    const bool fits =
        fileCalls().fstat(fd, &st) == 0 && std::uintmax_t(st.st_size) <= kLargestToneFile;
    ::close(fd);
    return fits;
}

bool toneFileHolds(const std::filesystem::path& file, int16_t frequency) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec) ||
        std::filesystem::file_size(file, ec) != kToneFileSize || ec)
        return false;
    ToneFile held{};
    std::ifstream in(file, std::ios::binary);
    in.read(reinterpret_cast<char*>(held.data()), std::streamsize(held.size()));
    return in.gcount() == std::streamsize(held.size()) && held == calibrationToneBytes(frequency);
}

Status WriteCalibrationTone(int16_t frequency, int16_t& frequenceCal,
                            const std::filesystem::path& folder) {
    const ToneFile bytes = calibrationToneBytes(frequency);
    Status written = writeFileAtomically(folder / kCalibrationToneFile, bytes);
    if (written) frequenceCal = frequency;
    return written;
}

}  // namespace vellora
