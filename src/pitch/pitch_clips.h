// SPDX-License-Identifier: GPL-3.0-or-later
// The newest clips of a run, oldest first, for the lowest belts: at 10 Hz one 400 ms clip
// holds four periods and the estimator needs six after the pluck.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vellora {

class RecentClips {
  public:
    static constexpr size_t kKept = 3;

    // Adds a clip; the oldest beyond kKept is forgotten.
    void add(std::span<const uint8_t> clip);
    void clear() { sizes_.clear(), samples_.clear(); }
    size_t count() const { return sizes_.size(); }
    // The kept clips end to end.
    std::span<const uint8_t> samples() const { return samples_; }

  private:
    std::vector<size_t> sizes_;
    std::vector<uint8_t> samples_;
};

}  // namespace vellora
