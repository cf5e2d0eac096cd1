#include "measure/spectrum_plot.h"

#include <gtest/gtest.h>

#include "common/numeric.h"
#include "support/recording_surface.h"

namespace vellora {
namespace {

using test::RecordingSurface;

// Depth 5: the first peak stays ahead until another outvotes it.
TEST(PeakVote, FirstPeakStaysAheadUntilOutvoted) {
    const struct {
        std::vector<float> peaks;
        std::vector<std::string> readouts;
    } cases[] = {
        {{16, 20, 16, 16}, {"87Hz", "87Hz", "87Hz", "87Hz"}},
        {{16, 20, 30, 40}, {"87Hz", "87Hz", "87Hz", "87Hz"}},
        {{16, 20, 20, 20}, {"87Hz", "87Hz", "108Hz", "108Hz"}},
    };
    for (const auto& c : cases) {
        PeakVote vote(5);
        for (size_t i = 0; i < c.peaks.size(); ++i) {
            vote.vote(c.peaks[i]);
            EXPECT_EQ(frequencyText(vote.winner(), kDefaultPasFrequence), c.readouts[i]) << i;
        }
    }
}

// Pen width w = round(1024 / bins) when it exceeds 1: bar f stands at w f; every bar
// adds its height to the energy, but never more than H; the tallest bar is the peak,
// the lower bin on ties, and with no bar rising the earlier peak is kept.
TEST(SpectrumPlot, PenWidthBarsEnergyAndPeak) {
    const struct {
        int16_t bins, gain;
        int16_t pen;
        float before, peak;
        int32_t energy;
    } cases[] = {
        {1024, 10, 1, 0, 6, 300 + 300 + 25 + 300},  // 1024 / 1024
        {683, 10, 1, 0, 6, 925},                    // 1.499
        {682, 10, 2, 0, 6, 925},                    // 1.501
        {410, 10, 2, 0, 6, 925},                    // 2.498
        {400, 10, 3, 0, 6, 925},                    // 2.56
        {100, 0, 10, 42, 42, 0},                    // nothing rises: the old peak stays
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bins);
        RecordingSurface im(1024, 300);
        PlotState st;
        st.NbFrequencesAffichees = c.bins;
        st.Amplification = c.gain;
        st.IndicePic = c.before;
        SpectrumArrays a;
        a.reel[5] = 4410.0f * 30;          // 300 px = H: adds exactly H
        a.reel[6] = 4410.0f * 1000;        // far above the picture: adds H
        a.reel[7] = 4410.0f * 2.5f;        // 25 px
        a.imaginaire[8] = 4410.0f * 1000;  // as tall as bin 6: the lower bin wins
        a.reel[1] = 4410.0f * 5000;        // bins 0 .. 2 are not bars
        PlotCycle cycle = preparePlot(im, st);
        EXPECT_EQ(im.pen, c.pen);
        EXPECT_EQ(cycle.EnergieMax, c.bins * 300);
        drawBarsAndPeak(im, a, st, cycle);
        ASSERT_EQ(im.lines.size(), size_t(c.bins - 2));  // bins 3 .. bins
        EXPECT_EQ(im.lines.front().x1, float(3 * c.pen));
        EXPECT_EQ(st.TableBarres[c.bins].BarreX, c.bins * c.pen);
        EXPECT_EQ(st.TableBarres[2].BarreX, 0);  // rows 1 and 2 are never written
        EXPECT_EQ(st.TableBarres[c.bins].BarreCouleur, rgb(0, 255, 1));
        EXPECT_EQ(st.EnergieSpectre, c.energy);
        EXPECT_EQ(st.IndicePic, c.peak);
    }
}

}  // namespace
}  // namespace vellora
