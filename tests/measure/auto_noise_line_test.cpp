// The automatic noise line: the margin in pixels worked out by hand, the second of
// listening counted in clips, and only the drawn bars counting.
#include "measure/auto_noise_line.h"

#include <gtest/gtest.h>

namespace vellora {
namespace {

constexpr int32_t kH = 300;

TEST(AutoNoiseLine, LineLiesTheMarginAboveTheTallestBar) {
    const struct {
        int32_t tallest;
        double marginDb;
        int32_t expected;  // y of the line, pixels from the top
    } cases[] = {
        {50, 6, 200},                      // 50 x 1.995 = 99.8, up to 100 px
        {50, 0, 250},                      // no margin: at the bar's top
        {10, 20, 200},                     // ten times as high
        {120, 6, 60},                      // 239.4 -> 240 px
        {1, 6, kH - kAutoNoiseMinHeight},  // a bar of rounding: just above the bottom
        {200, 6, 0},                       // 399 px does not fit: the top edge
    };
    for (const auto& c : cases)
        EXPECT_EQ(noiseLineAbove(c.tallest, kH, c.marginDb), c.expected) << c.tallest;
}

TEST(AutoNoiseLine, ListensOneSecondToTheDrawnBarsThenArms) {
    BarTable t{};
    for (BarRow& r : t) r.BarreY = kH;
    t[2].BarreY = 0;    // never drawn
    t[501].BarreY = 0;  // beyond the 500 bins shown
    AutoNoiseLine learner;
    EXPECT_FALSE(learner.addCycle(t, 500, kH, 0.4)) << "not listening yet";

    learner.start();
    t[40].BarreY = kH - 50;  // the loudest clip of the second
    EXPECT_FALSE(learner.addCycle(t, 500, kH, 0.4));
    t[40].BarreY = kH - 10;
    EXPECT_FALSE(learner.addCycle(t, 500, kH, 0.4));
    EXPECT_EQ(learner.addCycle(t, 500, kH, 0.4), 200);  // 1.2 s heard
    EXPECT_FALSE(learner.addCycle(t, 500, kH, 0.4)) << "one line per start";

    learner.start();  // a new start forgets the old loud clip
    EXPECT_EQ(learner.addCycle(t, 500, kH, 1.0), 280);
}

}  // namespace
}  // namespace vellora
