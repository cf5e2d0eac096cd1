// SPDX-License-Identifier: GPL-3.0-or-later
#include "measure/spectrum_plot.h"

#include <gtest/gtest.h>

#include "common/numeric.h"
#include "support/recording_surface.h"

namespace vellora {
namespace {

// Pen width round(1024 / bins) when above 1 (682 bins: 1.501), bar f at 2 f; each bar
// adds its height to the energy, at most H; the tallest bar is the peak, the lower bin
// on ties; with no bar rising (no gain) the last cycle's peak stays.
TEST(SpectrumPlot, PenWidthEnergyAndPeak) {
    for (const int16_t gain : {10, 0}) {
        test::RecordingSurface im(1024, 300);
        PlotState st;
        st.NbFrequencesAffichees = 682;
        st.Amplification = gain;
        st.IndicePic = 42;
        SpectrumArrays a;
        a.reel[5] = 4410.0f * 30;          // 300 px = H: adds exactly H
        a.reel[6] = 4410.0f * 1000;        // far above the picture: adds H
        a.reel[7] = 4410.0f * 2.5f;        // 25 px
        a.imaginaire[8] = 4410.0f * 1000;  // as tall as bin 6
        a.reel[1] = 4410.0f * 5000;        // bins 0 .. 2 are not bars
        PlotCycle cycle = preparePlot(im, st);
        EXPECT_EQ(cycle.EnergieMax, 682 * 300);
        drawBarsAndPeak(im, a, st, cycle);
        ASSERT_EQ(im.lines.size(), 680u);  // bins 3 .. 682
        EXPECT_EQ(im.lines.back().pen, 2);
        EXPECT_EQ(st.TableBarres[682].BarreX, 1364);
        EXPECT_EQ(st.TableBarres[682].BarreCouleur, rgb(0, 255, 1));
        EXPECT_EQ(st.EnergieSpectre, gain ? 300 + 300 + 25 + 300 : 0);
        EXPECT_EQ(st.IndicePic, gain ? 6 : 42);
    }
}

}  // namespace
}  // namespace vellora
