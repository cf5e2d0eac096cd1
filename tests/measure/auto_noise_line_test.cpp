// The automatic noise line: the margin in pixels worked out by hand, the second of
// listening counted in clips, and the bars that count.
#include <gtest/gtest.h>

#include "measure/auto_noise_line.h"

namespace vellora {
namespace {

constexpr int32_t kH = 300;

BarTable flatBars() {
    BarTable t{};
    for (BarRow& r : t) r.BarreY = kH;
    return t;
}

TEST(AutoNoiseLine, LineLiesTheMarginAboveTheTallestBar) {
    struct Case {
        int32_t tallest;
        double marginDb;
        int32_t expected;  // y of the line, pixels from the top
    };
    const Case cases[] = {
        {50, 6, 200},                      // 50 x 1.995 = 99.8, up to 100 px
        {50, 0, 250},                      // no margin: at the bar's top
        {10, 20, 200},                     // ten times as high
        {120, 6, 60},                      // 239.4 -> 240 px
        {0, 6, kH - kAutoNoiseMinHeight},  // silence: just above the bottom
        {1, 6, kH - kAutoNoiseMinHeight},  // a bar of rounding
        {200, 6, 0},                       // 399 px does not fit: the top edge
        {400, 6, 0},                       // a bar already beyond the top
    };
    for (const Case& c : cases)
        EXPECT_EQ(noiseLineAbove(c.tallest, kH, c.marginDb), c.expected)
            << c.tallest << " px, " << c.marginDb << " dB";
}

TEST(AutoNoiseLine, TallestBarCountsOnlyTheDrawnBins) {
    BarTable t = flatBars();
    t[1].BarreY = 0;  // rows 1 and 2 are never drawn
    t[2].BarreY = 0;
    t[3].BarreY = kH - 7;
    t[500].BarreY = kH - 30;
    t[501].BarreY = 0;  // beyond the bins shown below
    EXPECT_EQ(tallestBar(t, 500, kH), 30);
    EXPECT_EQ(tallestBar(t, 100, kH), 7);
    EXPECT_EQ(tallestBar(flatBars(), 1024, kH), 0);
    EXPECT_EQ(tallestBar(t, 2048, kH), kH);
}

TEST(AutoNoiseLine, ListensOneSecondThenArms) {
    AutoNoiseLine learner;
    BarTable t = flatBars();
    EXPECT_FALSE(learner.addCycle(t, 1024, kH, 0.4).has_value()) << "not listening yet";

    learner.start();
    t[40].BarreY = kH - 20;
    EXPECT_FALSE(learner.addCycle(t, 1024, kH, 0.4));
    t[40].BarreY = kH - 50;  // the loudest clip of the second
    EXPECT_FALSE(learner.addCycle(t, 1024, kH, 0.4));
    t[40].BarreY = kH - 10;
    const std::optional<int32_t> line = learner.addCycle(t, 1024, kH, 0.4);  // 1.2 s heard
    ASSERT_TRUE(line);
    EXPECT_EQ(*line, 200);
    EXPECT_FALSE(learner.listening());
    EXPECT_FALSE(learner.addCycle(t, 1024, kH, 0.4)) << "one line per start";

    learner.start();  // a new start forgets the old loud clip
    EXPECT_EQ(learner.addCycle(t, 1024, kH, 1.0), 280);

    learner.start();
    learner.cancel();
    EXPECT_FALSE(learner.addCycle(t, 1024, kH, 1.0));
}

TEST(AutoNoiseLine, ArmingLeavesTheLineFixedAndArmed) {
    NoiseState s;
    s.CaptureNiveauBruit = true;  // even while the line followed the mouse
    armNoiseLine(s, 123);
    EXPECT_TRUE(s.ModeBruit);
    EXPECT_FALSE(s.CaptureNiveauBruit);
    EXPECT_EQ(s.NiveauBruit, 123);
    EXPECT_TRUE(noiseTriggerFires(s, 122.5f));
    EXPECT_FALSE(noiseTriggerFires(s, 123.0f));
}

}  // namespace
}  // namespace vellora
