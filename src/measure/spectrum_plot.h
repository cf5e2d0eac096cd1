// SPDX-License-Identifier: GPL-3.0-or-later
// The spectrum bars, the peak search and the smoothed peak read-out of one cycle.
//
// The spectrum is the linear magnitude of the transform divided by 4410 (no window,
// no logarithm). Bars of bins 3 .. NbFrequencesAffichees are drawn w logical units
// apart, w being the pen width; heights are Amplification pixels per unit of
// magnitude, rising from the bottom edge (y = H).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "measure/bar_table.h"
#include "measure/drawing_surface.h"
#include "measure/spectrum_arrays.h"

namespace vellora {

// Hertz per bin of the design, before calibration. The calibration slider works from
// the double; the plot holds it in single precision (the same float as 5.4171f).
inline constexpr double kDesignPasFrequence = 5.4171;
inline constexpr float kDefaultPasFrequence = static_cast<float>(kDesignPasFrequence);
inline constexpr int16_t kDefaultBinsShown = 1024;  // the last bin drawn, until chosen

// Main-window state the plot reads and writes; it outlives a run.
struct PlotState {
    int16_t Amplification = 0;                          // 0 .. 492, pixels per unit of magnitude
    int16_t NbFrequencesAffichees = kDefaultBinsShown;  // last bin drawn, 100 .. 2048
    float PasFrequence = kDefaultPasFrequence;
    float IndicePic = 0.0f;      // bin of the last tallest bar; kept when no bar rises
    int32_t EnergieSpectre = 0;  // sum of bar heights, each limited to H
    BarTable TableBarres{};
};

// Values of one cycle.
struct PlotCycle {
    float SommetPic = 0.0f;  // top of the tallest bar (H when none rose)
    int32_t EnergieMax = 0;  // full scale of the energy gauge: NbFrequencesAffichees * H
};

// Preparation, before the picture is cleared: SommetPic = H, EnergieSpectre = 0,
// EnergieMax, and the pen width w = W / NbFrequencesAffichees (at least 1).
PlotCycle preparePlot(DrawingSurface& im, PlotState& st);

// Normalises bins 0 .. NbFrequencesAffichees in place, draws bins 3 .. and records
// them in TableBarres, finds the tallest bar (lowest bin on ties) and sums the energy.
void drawBarsAndPeak(DrawingSurface& im, SpectrumArrays& a, PlotState& st, PlotCycle& cycle);

// The vote over the last peaks of a run. Each new peak is stored in a ring of D
// entries; an entry gains a vote in every later cycle whose peak is the same bin
// while it lies in the scanned range. The winner is the entry with most votes,
// lowest position on ties, so a run's first peak holds until another outvotes it.
class PeakVote {
  public:
    // depth: the smoothing depth D, 1 .. 255 (other values are clamped into range;
    // callers replace an invalid box value before this).
    explicit PeakVote(int depth);

    void vote(float indicePic);
    // Scans the votes, remembers the winning position and returns its bin.
    float winner();

    int depth() const { return D_; }
    const std::vector<float>& historiquePics() const { return HistoriquePics_; }
    const std::vector<uint8_t>& votesPics() const { return VotesPics_; }
    uint8_t indiceRetenu() const { return IndiceRetenu_; }

  private:
    int D_;
    std::vector<float> HistoriquePics_;  // positions 0 .. D
    std::vector<uint8_t> VotesPics_;     // positions 0 .. D
    uint8_t IndiceHistorique_ = 0;
    uint8_t BorneHistorique_ = 0;
    uint8_t IndiceRetenu_ = 0;
};

// Redraws the peak bar in red and returns the read-out text ("87Hz"): the winning
// bin times PasFrequence, format "0", then "Hz". Returns an empty string, drawing
// nothing, when the bar loop's last counter (NbFrequencesAffichees + 1) is not
// greater than the pen width.
std::string drawMarkerAndReadout(DrawingSurface& im, const SpectrumArrays& a, const PlotState& st,
                                 PeakVote& vote);

// Frequency text of a bin: bin * PasFrequence in single precision, format "0", "Hz".
std::string frequencyText(float bin, float pasFrequence);

}  // namespace vellora
