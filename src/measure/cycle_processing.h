// SPDX-License-Identifier: GPL-3.0-or-later
// Everything a measurement cycle does between the capture and the noise trigger:
// fill the arrays from the recording, transform, draw bars and peak, vote, marker
// and read-out, and the energy gauge. Window-free, so the run, the analyser and the
// benchmarks share it.
#pragma once

#include <string>

#include "measure/drawing_surface.h"
#include "measure/recording_reader.h"
#include "measure/spectrum_plot.h"

namespace vellora {

struct CycleOutcome {
    PlotCycle plot;       // SommetPic for the noise trigger, EnergieMax for the gauge
    std::string readout;  // new text of the read-out box; empty when not written
};

// im: the spectrum surface (1024 logical units wide); gauge: the energy gauge, or
// nullptr to skip it. The surfaces are cleared here; refreshing them is the caller's.
CycleOutcome processCycle(const Recording& rec, DrawingSurface& im, DrawingSurface* gauge,
                          SpectrumArrays& arrays, PlotState& st, PeakVote& vote,
                          int32_t& energiePrecedente);

}  // namespace vellora
