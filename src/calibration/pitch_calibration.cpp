// SPDX-License-Identifier: GPL-3.0-or-later
#include "calibration/pitch_calibration.h"

#include <cmath>

#include "audio/audio_input.h"
#include "calibration/calibration_run.h"

namespace vellora {

namespace {
// The slider spans 4.39 .. 6.44 Hz per bin round 5.42: an uncalibrated card reads a tone
// at most about 20 % off, so this range keeps its fundamental.
constexpr double kToneRangeBelow = 0.7;
constexpr double kToneRangeAbove = 1.4;
}  // namespace

std::optional<CalibrationSetting> autoCalibrationSetting(double estimateHz, float pasFrequence,
                                                         int16_t frequenceCal, int16_t minimum,
                                                         int16_t maximum) {
    if (!(estimateHz > 0) || !(pasFrequence > 0) || frequenceCal <= 0 || maximum < minimum)
        return std::nullopt;
    const double wanted = double(pasFrequence) * frequenceCal / estimateHz;
    CalibrationSetting best;
    double bestError = INFINITY;
    // The mapping is linear and increasing; trying every position keeps it the slider's
    // own (single-float rounding included) at the cost of a thousand multiplications.
    for (int v = minimum; v <= maximum; ++v) {
        const float p = pasFrequenceForSlider(minimum, maximum, int16_t(v));
        const double error = std::abs(double(p) - wanted);
        if (error < bestError) {
            bestError = error;
            best.position = int16_t(v);
            best.pasFrequence = p;
        }
    }
    best.limited = (best.position == minimum && wanted < best.pasFrequence) ||
                   (best.position == maximum && wanted > best.pasFrequence);
    return best;
}

double nominalToneHz(double estimateHz, float pasFrequence) {
    return estimateHz * kCaptureRate / cardRate(pasFrequence);
}

bool isCalibrationTone(double estimateHz, float pasFrequence, int16_t toneHz) {
    return toneHz > 0 &&
           std::abs(nominalToneHz(estimateHz, pasFrequence) - toneHz) <= kToneTolerance * toneHz;
}

PitchOptions calibrationPitchOptions(int16_t frequenceCal) {
    PitchOptions o;
    o.minHz = kToneRangeBelow * frequenceCal;
    o.maxHz = kToneRangeAbove * frequenceCal;
    o.discountMains = false;
    o.readSteadyTones = true;
    return o;
}

}  // namespace vellora
