// SPDX-License-Identifier: GPL-3.0-or-later
#include "measure/cycle_processing.h"

#include "measure/energy_gauge.h"
#include "measure/fft.h"

namespace vellora {

CycleOutcome processCycle(const Recording& rec, DrawingSurface& im, DrawingSurface* gauge,
                          SpectrumArrays& arrays, PlotState& st, PeakVote& vote,
                          int32_t& energiePrecedente) {
    CycleOutcome out;
    out.plot = preparePlot(im, st);
    im.clear();
    fillSpectrumArrays(rec, arrays);
    FFT(kTransformSize, arrays.reel.data(), arrays.imaginaire.data());
    drawBarsAndPeak(im, arrays, st, out.plot);
    vote.vote(st.IndicePic);
    out.readout = drawMarkerAndReadout(im, arrays, st, vote);
    if (gauge) drawEnergyGauge(*gauge, st.EnergieSpectre, out.plot.EnergieMax, energiePrecedente);
    return out;
}

}  // namespace vellora
