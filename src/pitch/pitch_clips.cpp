// SPDX-License-Identifier: GPL-3.0-or-later
#include "pitch/pitch_clips.h"

namespace vellora {

void RecentClips::add(std::span<const uint8_t> clip) {
    if (sizes_.size() == kKept) {
        samples_.erase(samples_.begin(), samples_.begin() + std::ptrdiff_t(sizes_.front()));
        sizes_.erase(sizes_.begin());
    }
    sizes_.push_back(clip.size());
    samples_.insert(samples_.end(), clip.begin(), clip.end());
}

}  // namespace vellora
