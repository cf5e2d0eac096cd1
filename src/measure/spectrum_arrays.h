// SPDX-License-Identifier: GPL-3.0-or-later
// The run's two transform arrays: 4411 single floats each, positions 0 to 4410.
// The transform uses positions 0 to 4095; the plot reads bins 0 to 2048.
#pragma once

#include <array>

#include "wave/wave_format.h"

namespace vellora {

inline constexpr int kSampleLimit = 4410;  // samples a cycle takes at most
inline constexpr int kSpectrumArraySize = kSampleLimit + 1;

struct SpectrumArrays {
    std::array<float, kSpectrumArraySize> reel{};
    std::array<float, kSpectrumArraySize> imaginaire{};
};

}  // namespace vellora
