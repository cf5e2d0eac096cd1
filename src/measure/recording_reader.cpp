// SPDX-License-Identifier: GPL-3.0-or-later
#include "measure/recording_reader.h"

#include <algorithm>
#include <cstdint>

#include "common/regular_file.h"

namespace vellora {

namespace {
constexpr int32_t kHeaderLength = 43;  // N = length - 43
constexpr size_t kFirstSampleOffset = 54;
}  // namespace

Recording readRecordingBytes(std::span<const uint8_t> file) {
    Recording rec;
    const int64_t length = static_cast<int64_t>(file.size());
    const int64_t n = length - kHeaderLength;
    rec.n = static_cast<int32_t>(std::clamp<int64_t>(n, INT32_MIN, INT32_MAX));
    if (n < 1) return rec;
    rec.present = true;
    const size_t kept = static_cast<size_t>(std::min<int64_t>(n, kSampleLimit));
    rec.tampon.assign(kept, 0);
    // Tampon(k) is the byte at offset 53 + k; the file holds only N - 11 of them.
    if (file.size() > kFirstSampleOffset) {
        const size_t available = std::min(kept, file.size() - kFirstSampleOffset);
        std::copy_n(file.begin() + kFirstSampleOffset, available, rec.tampon.begin());
    }
    return rec;
}

Recording readRecordingFile(const std::string& path, std::vector<uint8_t>* whole,
                            size_t wholeLimit) {
    // Only the first 54 + 4410 bytes can ever be used; the length comes from the file's
    // size. A FIFO or folder under the name is no recording and is not opened.
    const size_t meterLimit = kFirstSampleOffset + kSampleLimit;
    const size_t limit = whole ? std::max(meterLimit, wholeLimit) : meterLimit;
    if (whole) whole->clear();
    const RegularFileBytes file = readRegularFile(path, limit);
    if (!file.read()) return {};
    const size_t wanted = static_cast<size_t>(std::min<std::uint64_t>(file.size, limit));
    if (file.bytes.size() != wanted) return {};  // shortened while being read

    const auto* bytes = reinterpret_cast<const uint8_t*>(file.bytes.data());
    if (whole) whole->assign(bytes, bytes + std::min(file.bytes.size(), wholeLimit));
    Recording rec = readRecordingBytes(std::span(bytes, std::min(file.bytes.size(), meterLimit)));
    const int64_t n =
        static_cast<int64_t>(std::min<std::uint64_t>(file.size, INT64_MAX)) - kHeaderLength;
    rec.n = static_cast<int32_t>(std::clamp<int64_t>(n, INT32_MIN, INT32_MAX));
    rec.present = n >= 1;
    if (rec.present) rec.tampon.resize(static_cast<size_t>(std::min<int64_t>(n, kSampleLimit)), 0);
    return rec;
}

void fillSpectrumArrays(const Recording& rec, SpectrumArrays& arrays) {
    arrays.reel.fill(0.0f);
    arrays.imaginaire.fill(0.0f);
    if (!rec.present) return;
    const int32_t s = std::min<int32_t>(rec.n, kSampleLimit);
    for (int32_t i = 1; i <= s - 1; ++i) {
        arrays.reel[size_t(i)] = static_cast<float>(rec.tampon[size_t(i - 1)]);
    }
}

}  // namespace vellora
