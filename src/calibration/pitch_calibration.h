// SPDX-License-Identifier: GPL-3.0-or-later
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

// Beyond this the sound heard is not the calibration tone (another tone, feedback,
// noise): a sound card's clock is off by far less.
inline constexpr double kToneTolerance = 0.03;

// An estimate made at `pasFrequence` as the card's nominal rate hears it, so that
// wherever the slider stands, a sound is judged by what it is.
double nominalToneHz(double estimateHz, float pasFrequence);

// The estimate lies within kToneTolerance of the tone's frequency at the nominal rate.
bool isCalibrationTone(double estimateHz, float pasFrequence, int16_t toneHz);

// Estimator options for a calibration tone: a range round `frequenceCal` wide enough for
// any scale the slider can set.
PitchOptions calibrationPitchOptions(int16_t frequenceCal);

}  // namespace vellora
