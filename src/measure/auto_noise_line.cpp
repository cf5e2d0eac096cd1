// SPDX-License-Identifier: GPL-3.0-or-later
#include "measure/auto_noise_line.h"

#include <algorithm>
#include <cmath>

namespace vellora {

int32_t noiseLineAbove(int32_t tallest, int32_t H, double marginDb) {
    const double height = std::max(0, tallest) * std::pow(10.0, marginDb / 20);
    const double clamped =
        std::clamp(std::ceil(height), double(kAutoNoiseMinHeight), double(std::max(H, 0)));
    return std::max(0, H - int32_t(clamped));
}

int32_t tallestBar(const BarTable& bars, int16_t nbFrequencesAffichees, int32_t H) {
    const int last = std::min<int>(nbFrequencesAffichees, kBarRows);
    int32_t tallest = 0;
    for (int b = 3; b <= last; ++b) tallest = std::max(tallest, H - bars[size_t(b)].BarreY);
    return tallest;
}

void AutoNoiseLine::start() {
    listening_ = true;
    heard_ = 0;
    tallest_ = 0;
}

std::optional<int32_t> AutoNoiseLine::addCycle(const BarTable& bars, int16_t nbFrequencesAffichees,
                                               int32_t H, double clipSeconds, double marginDb) {
    if (!listening_) return std::nullopt;
    tallest_ = std::max(tallest_, tallestBar(bars, nbFrequencesAffichees, H));
    heard_ += std::max(0.0, clipSeconds);
    if (heard_ < kAutoNoiseSeconds) return std::nullopt;
    listening_ = false;
    return noiseLineAbove(tallest_, H, marginDb);
}

void armNoiseLine(NoiseState& s, int32_t niveauBruit) {
    s.NiveauBruit = niveauBruit;
    s.ModeBruit = true;
    s.CaptureNiveauBruit = false;
}

}  // namespace vellora
