// SPDX-License-Identifier: GPL-3.0-or-later
#include "measure/spectrum_plot.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "common/numeric.h"

namespace vellora {

namespace {
// The sample limit, whatever the recording's length.
constexpr float kNormalisation = float(kSampleLimit);
constexpr int32_t kRed = 255;  // rgb(255, 0, 0)
}  // namespace

PlotCycle preparePlot(DrawingSurface& im, PlotState& st) {
    PlotCycle cycle;
    const float h = im.scaleHeight();
    cycle.SommetPic = h;
    st.EnergieSpectre = 0;
    cycle.EnergieMax = toInt32Saturated(float(st.NbFrequencesAffichees) * h);
    const float w = im.scaleWidth();
    int16_t pen = 1;
    if (st.NbFrequencesAffichees > 0 && w > st.NbFrequencesAffichees)
        pen = toInt16(w / st.NbFrequencesAffichees).value_or(1);
    im.setDrawWidth(std::max<int16_t>(pen, 1));
    return cycle;
}

void drawBarsAndPeak(DrawingSurface& im, SpectrumArrays& a, PlotState& st, PlotCycle& cycle) {
    const float h = im.scaleHeight();
    const int32_t last = std::clamp<int32_t>(st.NbFrequencesAffichees, 0, kBarRows - 1);
    const int32_t w = im.drawWidth();
    // Handed to the surface at once, in the same order: the same pixels for fewer calls.
    std::vector<SurfaceLine> bars;
    bars.reserve(size_t(std::max(last - 2, 0)));
    for (int32_t f = 0; f <= last; ++f) {
        const auto k = size_t(f);
        a.reel[k] = a.reel[k] / kNormalisation;
        a.imaginaire[k] = a.imaginaire[k] / kNormalisation;
        const float m = std::sqrt(a.reel[k] * a.reel[k] + a.imaginaire[k] * a.imaginaire[k]);
        if (f <= 2) continue;

        const float height = float(st.Amplification) * m;
        const float top = h - height;
        if (top < cycle.SommetPic) {
            cycle.SommetPic = top;
            st.IndicePic = float(f);
        }
        const int32_t q = (f * 255) / st.NbFrequencesAffichees;
        const int32_t colour = rgb(0, q, 256 - q);
        const float x = float(w) * float(f);
        bars.push_back({x, h, x, top, colour});

        BarRow& row = st.TableBarres[k];
        row.BarreX = toInt32Saturated(x);
        row.BarreY = toInt32Saturated(top);
        row.BarreCouleur = colour;

        const double added = height < h ? double(height) : double(h);
        st.EnergieSpectre = toInt32Saturated(double(st.EnergieSpectre) + added);
    }
    im.lines(bars);
}

PeakVote::PeakVote(int depth)
    : D_(std::clamp(depth, 1, 255)),
      HistoriquePics_(size_t(D_) + 1, 0.0f),
      VotesPics_(size_t(D_) + 1, 0) {}

void PeakVote::vote(float indicePic) {
    for (size_t j = 0; j <= BorneHistorique_; ++j) {
        // Saturate: an entry that is never overwritten (position D) would otherwise
        // count past 255 when the peak stays at bin 0.
        if (HistoriquePics_[j] == indicePic && VotesPics_[j] < 255) ++VotesPics_[j];
    }
    IndiceHistorique_ = uint8_t((IndiceHistorique_ + 1) % D_);
    HistoriquePics_[IndiceHistorique_] = indicePic;
    VotesPics_[IndiceHistorique_] = 1;
    BorneHistorique_ = IndiceHistorique_ != 0 ? IndiceHistorique_ : uint8_t(D_);
}

float PeakVote::winner() {
    uint8_t best = 0;
    for (size_t j = 0; j <= BorneHistorique_; ++j) {
        if (VotesPics_[j] > best) {
            best = VotesPics_[j];
            IndiceRetenu_ = uint8_t(j);
        }
    }
    return HistoriquePics_[IndiceRetenu_];
}

std::string frequencyText(float bin, float pasFrequence) {
    const float f = bin * pasFrequence;
    return formatWhole(f) + "Hz";
}

std::string drawMarkerAndReadout(DrawingSurface& im, const SpectrumArrays& a, const PlotState& st,
                                 PeakVote& vote) {
    const int32_t w = im.drawWidth();
    if (int32_t(st.NbFrequencesAffichees) + 1 <= w) return {};
    const float h = im.scaleHeight();
    const auto p =
        size_t(std::clamp<int32_t>(toInt32Saturated(st.IndicePic), 0, kSpectrumArraySize - 1));
    const float m = std::sqrt(a.reel[p] * a.reel[p] + a.imaginaire[p] * a.imaginaire[p]);
    const float x = float(w) * st.IndicePic;
    im.line(x, h, x, h - float(st.Amplification) * m, kRed);
    return frequencyText(vote.winner(), st.PasFrequence);
}

}  // namespace vellora
