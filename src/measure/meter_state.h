// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's measurement state: it lives as long as the window, and every
// handler (the run, the scroll bars, the mouse, the calibration) reads and writes it
// on the one user-interface thread.
#pragma once

#include <cstdint>

#include "measure/noise_reference.h"
#include "measure/spectrum_plot.h"

namespace vellora {

inline constexpr int16_t kDefaultFrequenceCal = 110;  // the calibration tone, until chosen

struct MeterState {
    PlotState plot;    // gain, bins shown, hertz per bin, last peak, bar table
    NoiseState noise;  // the noise line and its trigger
    bool MesureEnCours = false;
    bool ModeAnalyse = false;
    bool PremiereCalibration = true;
    int16_t FrequenceCal = kDefaultFrequenceCal;
    int32_t Retour = 0;  // last capture result, then the recording's byte count
};

}  // namespace vellora
