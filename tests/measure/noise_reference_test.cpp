#include "measure/noise_reference.h"

#include <gtest/gtest.h>

#include "support/recording_surface.h"

namespace vellora {
namespace {

TEST(NoiseReference, ButtonAndClickWalkThroughTheFourStates) {
    NoiseState s;
    // Off -> Placing: armed caption, line follows the mouse.
    EXPECT_TRUE(pressNoiseButton(s, true));
    EXPECT_TRUE(s.ModeBruit && s.CaptureNiveauBruit);
    noiseMouseMove(s, 120.5f);
    EXPECT_EQ(s.NiveauBruit, 120);  // halves to even
    // Placing -> Placing, disarmed: the line still follows.
    EXPECT_FALSE(pressNoiseButton(s, false));
    EXPECT_FALSE(s.ModeBruit);
    EXPECT_TRUE(s.CaptureNiveauBruit);
    noiseMouseMove(s, 121.5f);
    EXPECT_EQ(s.NiveauBruit, 122);
    // Placing, disarmed -> Placing -> Armed.
    EXPECT_TRUE(pressNoiseButton(s, true));
    noiseClick(s);
    EXPECT_TRUE(s.ModeBruit);
    EXPECT_FALSE(s.CaptureNiveauBruit);
    noiseMouseMove(s, 10.0f);  // fixed: no longer follows
    EXPECT_EQ(s.NiveauBruit, 122);
    // Armed -> Off.
    EXPECT_FALSE(pressNoiseButton(s, false));
    EXPECT_FALSE(s.ModeBruit || s.CaptureNiveauBruit);
}

TEST(NoiseReference, TriggerFiresOnlyWhenArmedAndFixedAndCrossed) {
    struct Case {
        bool mode, capture;
        int32_t level;
        float sommet;
        bool fires;
    };
    for (Case c : {Case{true, false, 300, 299.9f, true}, Case{true, false, 300, 300.0f, false},
                   Case{true, true, 300, 0.0f, false},       // placing: never stops the run
                   Case{false, false, 300, 0.0f, false},     // off
                   Case{true, false, 0, 0.0f, false},        // line on the top edge
                   Case{true, false, 700, 594.0f, true}}) {  // line below a shrunken picture
        NoiseState s{c.mode, c.capture, c.level};
        EXPECT_EQ(noiseTriggerFires(s, c.sommet), c.fires) << c.level << " " << c.sommet;
    }
}

TEST(NoiseReference, LineIsDrawnWhenArmedOrPlacing) {
    test::RecordingSurface im(1024, 500);
    im.pen = 3;
    drawNoiseLine(im, NoiseState{false, false, 40});
    EXPECT_TRUE(im.lines.empty());
    drawNoiseLine(im, NoiseState{false, true, 40});
    drawNoiseLine(im, NoiseState{true, false, 40});
    ASSERT_EQ(im.lines.size(), 2u);
    EXPECT_EQ(im.lines[0].x2, 1024.0f);
    EXPECT_EQ(im.lines[0].y1, 40.0f);
    EXPECT_EQ(im.lines[0].colour, 255);
    EXPECT_EQ(im.lines[0].pen, 3);
}

}  // namespace
}  // namespace vellora
