// SPDX-License-Identifier: GPL-3.0-or-later
// The automatic noise line: the meter listens to the background for a second and
// places the line a margin above the tallest bar it saw, then arms the trigger as if
// the user had placed and fixed the line with the mouse.
//
// Bars are the cycle's own (TableBarres): a bar's height in pixels is H - BarreY, and
// it is Amplification pixels per unit of linear magnitude, so a margin of m decibels
// multiplies the tallest height by 10^(m / 20): 6 dB doubles it.
#pragma once

#include <cstdint>
#include <optional>

#include "measure/bar_table.h"
#include "measure/noise_reference.h"

namespace vellora {

inline constexpr double kAutoNoiseSeconds = 1.0;
inline constexpr double kAutoNoiseMarginDb = 6.0;
// However quiet the background, the line stays this many pixels above the bottom, so
// that a bar of a pixel or two (the rounding of near-silence) does not fire it.
inline constexpr int32_t kAutoNoiseMinHeight = 4;

// The line's vertical coordinate for a tallest bar `tallest` pixels high on a
// spectrum H pixels high: tallest * 10^(margin / 20) above the bottom, at least
// kAutoNoiseMinHeight, and never above the top edge (y = 0).
int32_t noiseLineAbove(int32_t tallest, int32_t H, double marginDb = kAutoNoiseMarginDb);

// The height of the tallest drawn bar (bins 3 .. nbFrequencesAffichees) of a bar table,
// in pixels above the bottom; 0 when none rose.
int32_t tallestBar(const BarTable& bars, int16_t nbFrequencesAffichees, int32_t H);

class AutoNoiseLine {
  public:
    // Starts listening afresh.
    void start();
    bool listening() const { return listening_; }
    // Stops listening without placing a line.
    void cancel() { listening_ = false; }

    // One cycle's bars and the length of sound they came from. Returns the line's
    // coordinate once a second has been heard (and stops listening), nullopt before.
    std::optional<int32_t> addCycle(const BarTable& bars, int16_t nbFrequencesAffichees, int32_t H,
                                    double clipSeconds, double marginDb = kAutoNoiseMarginDb);

  private:
    bool listening_ = false;
    double heard_ = 0;
    int32_t tallest_ = 0;
};

// Fixes and arms the line at `niveauBruit`: the state a placing with the mouse and a
// click on the spectrum leave.
void armNoiseLine(NoiseState& s, int32_t niveauBruit);

}  // namespace vellora
