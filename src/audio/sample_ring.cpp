// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/sample_ring.h"

#include <algorithm>

#include "wave/recorder_wave.h"

namespace vellora {

SampleRing::SampleRing(size_t capacity) : data_(std::max<size_t>(capacity, 1)) {}

void SampleRing::restart() {
    written_ = 0;
    takenEnd_.reset();
}

void SampleRing::append(std::span<const float> block) {
    for (float x : block) data_[size_t(written_++ % data_.size())] = clipSample(x);
}

uint64_t SampleRing::nextStart(size_t count) const {
    if (takenEnd_ && *takenEnd_ <= written_ && written_ - *takenEnd_ <= count) return *takenEnd_;
    return written_;
}

bool SampleRing::take(uint64_t from, size_t count, std::vector<uint8_t>& out) {
    out.clear();
    const uint64_t oldest = written_ > data_.size() ? written_ - data_.size() : 0;
    if (from < oldest || from > written_ || written_ - from < count) return false;
    out.resize(count);
    for (size_t k = 0; k < count; ++k) out[k] = data_[size_t((from + k) % data_.size())];
    takenEnd_ = from + count;
    return true;
}

}  // namespace vellora
