#include "measure/spectrum_plot.h"

#include <gtest/gtest.h>

#include "common/numeric.h"
#include "support/recording_surface.h"

namespace vellora {
namespace {

using test::RecordingSurface;

// The vote of a run of depth 5: the first peak stays ahead until another outvotes it.
TEST(PeakVote, FirstPeakStaysAheadWithDepthFive) {
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

TEST(PeakVote, RingWrapsAndNeverWritesPositionD) {
    PeakVote vote(3);
    for (float p : {10.0f, 11.0f, 12.0f, 13.0f, 14.0f, 15.0f, 16.0f}) vote.vote(p);
    // Cycle k writes position k mod 3; position 3 stays 0.
    EXPECT_EQ(vote.historiquePics()[0], 15.0f);
    EXPECT_EQ(vote.historiquePics()[1], 16.0f);
    EXPECT_EQ(vote.historiquePics()[2], 14.0f);
    EXPECT_EQ(vote.historiquePics()[3], 0.0f);
}

TEST(PeakVote, SilentRunNeverOverflowsItsCounts) {
    PeakVote vote(1);
    for (int i = 0; i < 1000; ++i) vote.vote(0.0f);  // no peak ever found
    EXPECT_EQ(vote.votesPics()[1], 255);
    EXPECT_EQ(vote.winner(), 0.0f);
}

// The tallest bar: the lower bin on ties; with no bar rising, the earlier peak is kept.
TEST(SpectrumPlot, PeakSearch) {
    const struct {
        int16_t gain;
        float before, expected, sommet;
    } cases[] = {{100, 0.0f, 10.0f, 594.0f - 100.0f}, {0, 42.0f, 42.0f, 594.0f}};
    for (const auto& c : cases) {
        RecordingSurface im(1024, 594);
        PlotState st;
        st.Amplification = c.gain;
        st.IndicePic = c.before;
        SpectrumArrays a;
        a.reel[12] = 4410.0f;
        a.imaginaire[10] = 4410.0f;  // same magnitude, other phase
        PlotCycle cycle = preparePlot(im, st);
        drawBarsAndPeak(im, a, st, cycle);
        EXPECT_EQ(st.IndicePic, c.expected) << c.gain;
        EXPECT_EQ(cycle.SommetPic, c.sommet) << c.gain;
    }
}

TEST(SpectrumPlot, PenWidthBarPositionsAndColours) {
    struct Case {
        int16_t bins;
        int16_t pen;
    };
    for (Case c :
         {Case{1024, 1}, Case{683, 1}, Case{682, 2}, Case{410, 2}, Case{400, 3}, Case{2048, 1}}) {
        SCOPED_TRACE(c.bins);
        RecordingSurface im(1024, 500);
        PlotState st;
        st.NbFrequencesAffichees = c.bins;
        st.Amplification = 1;
        SpectrumArrays a;
        PlotCycle cycle = preparePlot(im, st);
        EXPECT_EQ(im.pen, c.pen);
        drawBarsAndPeak(im, a, st, cycle);
        ASSERT_EQ(im.lines.size(), size_t(c.bins - 2));  // bins 3 .. bins
        EXPECT_EQ(im.lines.front().x1, float(3 * c.pen));
        EXPECT_EQ(st.TableBarres[c.bins].BarreX, c.bins * c.pen);
        EXPECT_EQ(cycle.EnergieMax, c.bins * 500);
        if (c.bins == 1024) {
            EXPECT_EQ(st.TableBarres[4].BarreCouleur, rgb(0, 0, 255));
            EXPECT_EQ(st.TableBarres[1024].BarreCouleur, rgb(0, 255, 1));
        }
        EXPECT_EQ(st.TableBarres[1].BarreCouleur, 0);  // rows 1 and 2 are never written
        EXPECT_EQ(st.TableBarres[2].BarreX, 0);
    }
}

TEST(SpectrumPlot, EnergyAddsBarHeightsLimitedToH) {
    RecordingSurface im(1024, 300);
    PlotState st;
    st.Amplification = 10;
    st.NbFrequencesAffichees = 100;
    SpectrumArrays a;
    a.reel[5] = 4410.0f * 30;    // height 300 = H: adds exactly H
    a.reel[6] = 4410.0f * 1000;  // far above the picture: adds H
    a.reel[7] = 4410.0f * 2.5f;  // 25 pixels
    a.reel[1] = 4410.0f * 1000;  // bins 0 .. 2 are not counted
    PlotCycle cycle = preparePlot(im, st);
    drawBarsAndPeak(im, a, st, cycle);
    EXPECT_EQ(st.EnergieSpectre, 300 + 300 + 25);
    EXPECT_EQ(st.IndicePic, 6.0f);
    EXPECT_EQ(st.TableBarres[6].BarreY, 300 - 10000);
}

}  // namespace
}  // namespace vellora
