// The precise read-out of a measurement run: each clip's fundamental, with the belt's
// frequency range while the meter listens to a belt and a range round the calibration
// frequency while the calibration tone plays, and the automatic slider setting.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "calibration/pitch_calibration.h"
#include "pitch/pitch_estimator.h"

namespace vellora {

class PreciseMeter {
  public:
    // The belt's fundamental; nullopt for no clear pitch.
    std::optional<double> belt(std::span<const uint8_t> samples, float pasFrequence);
    // The calibration tone's frequency as the current scale hears it.
    std::optional<double> tone(std::span<const uint8_t> samples, float pasFrequence,
                               int16_t frequenceCal);
    struct AutoCalibration {
        std::optional<double> heardHz;              // at the nominal rate; none: no clear tone
        std::optional<CalibrationSetting> setting;  // none when refused
    };
    // The slider position that makes the tone read `toneHz`, refused when no clear tone
    // is heard or what is heard is not that tone.
    AutoCalibration autoCalibrate(std::span<const uint8_t> samples, float pasFrequence,
                                  int16_t toneHz, int16_t minimum, int16_t maximum);

  private:
    // Each keeps its tables between clips; the tone's is rebuilt only when the
    // calibration frequency changes.
    PitchEstimator belt_;
    std::optional<PitchEstimator> tone_;
    int16_t toneFor_ = 0;
};

}  // namespace vellora
