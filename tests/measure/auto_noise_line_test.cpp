// SPDX-License-Identifier: GPL-3.0-or-later
#include "measure/auto_noise_line.h"

#include <gtest/gtest.h>

namespace vellora {
namespace {

constexpr int32_t kH = 300;

// One second of clips heard after start(); the line 6 dB (x 1.995) above the tallest
// drawn bar, rounded up, within the picture.
TEST(AutoNoiseLine, ListensOneSecondToTheDrawnBarsThenArms) {
    BarTable t{};
    for (BarRow& r : t) r.BarreY = kH;
    t[2].BarreY = t[501].BarreY = 0;  // never drawn; beyond the 500 bins shown
    AutoNoiseLine learner;
    EXPECT_FALSE(learner.addCycle(t, 500, kH, 0.4));
    learner.start();
    t[40].BarreY = kH - 50;  // the loudest clip of the second
    EXPECT_FALSE(learner.addCycle(t, 500, kH, 0.6));
    t[40].BarreY = kH - 10;
    EXPECT_EQ(learner.addCycle(t, 500, kH, 0.4), 200);  // 99.8 -> 100 px
    EXPECT_FALSE(learner.addCycle(t, 500, kH, 0.4)) << "one line per start";
    learner.start();                                    // forgets the old loud clip
    EXPECT_EQ(learner.addCycle(t, 500, kH, 1.0), 280);  // 19.95 -> 20 px

    EXPECT_EQ(noiseLineAbove(1, kH), kH - kAutoNoiseMinHeight);  // a bar of rounding
    EXPECT_EQ(noiseLineAbove(200, kH), 0);                       // 399 px: the top edge
}

}  // namespace
}  // namespace vellora
