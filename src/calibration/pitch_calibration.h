// Automatic calibration: while the calibration tone plays, the slider position whose
// scale makes the precise estimate of the tone equal its known frequency.
#pragma once

#include <cstdint>
#include <optional>

#include "pitch/pitch_estimator.h"

namespace vellora {

struct CalibrationSetting {
    int16_t position = 0;    // for HScrollCalibrate
    float pasFrequence = 0;  // the scale that position gives
    bool limited = false;    // the wanted scale lies beyond the slider's end
};

// estimateHz: the precise estimate of the tone made at `pasFrequence`. Every frequency
// the meter derives scales with its sample rate, so the estimate at another scale P' is
// estimateHz * P' / pasFrequence; the position chosen is the one whose P' (by the
// slider's own mapping) brings that nearest to frequenceCal. nullopt for a non-positive
// estimate or frequency.
std::optional<CalibrationSetting> autoCalibrationSetting(double estimateHz, float pasFrequence,
                                                         int16_t frequenceCal, int16_t minimum = 0,
                                                         int16_t maximum = 1024);

// Estimator options for a calibration tone: a range round `frequenceCal` wide enough for
// any scale the slider can set.
PitchOptions calibrationPitchOptions(int16_t frequenceCal);

}  // namespace vellora
