// SPDX-License-Identifier: GPL-3.0-or-later
// One cycle's reading of a saved recording, as the meter would show it: reader,
// transform, peak search and a vote of depth 1; and, when asked, the precise
// fundamental. Used by vellora-analyze.
//
// The meter's own clip (PCM WAVE, unsigned 8-bit mono, 22050 per second) is read as the
// meter reads it. Any other sound file is first made into the clip the meter would have
// recorded from it (see audio_file_decoder.h) for the bin and read-out, while the
// precise fundamental comes from the file's full-quality sound at its own rate.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "common/status.h"
#include "measure/spectrum_plot.h"
#include "wave/wave_format.h"

namespace vellora {

// The exact scale: a card taking exactly the clip's stated 22050 samples per second.
inline constexpr float kExactPasFrequence = float(kSampleRate) / float(kTransformSize);

struct AnalysisOptions {
    float pasFrequence = kExactPasFrequence;  // hertz per bin
    int16_t bins = kDefaultBinsShown;         // last bin searched, 3 .. 2048
    bool precise = false;                     // also the precise fundamental
};

struct AnalysisResult {
    Status status;        // why the file could not be read, when it failed
    int32_t bin = 0;      // the strongest bin
    std::string readout;  // the meter's whole hertz without the unit: "444"; "-" for none
    // With options.precise: the fundamental in hertz, nullopt for no clear pitch.
    std::optional<double> preciseHz;
    double preciseB = 0;  // the stiffness B beside preciseHz
};

class PitchEstimator;

// `estimator`: for the precise fundamental, one kept from file to file so that its
// transform plans are made once; a new one for this file when none is given.
AnalysisResult analyseRecordingFile(const std::string& path, const AnalysisOptions& options,
                                    PitchEstimator* estimator = nullptr);

// The scale a meter using settings file `file` starts with: its stored fine-correction
// position (SETTINGS, Ajustement) read as the calibration slider reads it. Fails when
// the file cannot be read.
Status pasFrequenceFromSettings(const std::string& file, float& pasFrequence);

}  // namespace vellora
