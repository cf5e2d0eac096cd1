// SPDX-License-Identifier: GPL-3.0-or-later
// The precise read-out of a measurement run: each clip's first mode and stiffness, near
// the chosen set-up's target range first, with the last clips of the run for the lowest
// belts; a range round the calibration frequency while the calibration tone plays, and
// the automatic slider setting.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "calibration/pitch_calibration.h"
#include "common/range.h"
#include "pitch/pitch_clips.h"
#include "pitch/pitch_estimator.h"

namespace vellora {

// A precise reading as shown: one decimal, then " Hz".
std::string preciseHertzText(double hz);

class PreciseMeter {
  public:
    // Forgets the clips of an earlier run.
    void startRun() {
        clips_.clear();
        lowestDecade_ = false;
    }
    // The belt's first mode and B from the newest clip, or from the run's last clips when
    // one clip tells nothing (the lowest decade); nullopt for no clear pitch. With a
    // target, the search looks round it first, then over the whole range.
    std::optional<PitchEstimate> belt(std::span<const uint8_t> clip, float pasFrequence,
                                      std::optional<Range> target = std::nullopt);
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
    struct Estimators {
        PitchEstimator all;
        std::optional<PitchEstimator> near;
    };
    std::optional<PitchEstimate> search(Estimators& e, std::span<const uint8_t> samples,
                                        float pasFrequence, std::optional<Range> target);

    // Each keeps its tables between clips (one clip and the run's clips need transforms
    // of other sizes); the tone's and the target's are rebuilt only when the calibration
    // frequency or the target changes.
    Estimators clip_, run_;
    std::optional<PitchEstimator> tone_;
    int16_t toneFor_ = 0;
    RecentClips clips_;
    bool lowestDecade_ = false;  // the last reading came from the run's clips
};

}  // namespace vellora
