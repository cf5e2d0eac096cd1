#include "measure/noise_reference.h"

#include <gtest/gtest.h>

#include "support/recording_surface.h"

namespace vellora {
namespace {

TEST(NoiseReference, ButtonMouseAndClickPlaceThenArmTheLine) {
    NoiseState s;
    EXPECT_TRUE(pressNoiseButton(s, true));  // armed caption; the line follows the mouse
    noiseMouseMove(s, 120.5f);
    EXPECT_EQ(s.NiveauBruit, 120);             // halves to even
    EXPECT_FALSE(pressNoiseButton(s, false));  // disarmed, still following
    noiseMouseMove(s, 121.5f);
    EXPECT_EQ(s.NiveauBruit, 122);
    EXPECT_TRUE(pressNoiseButton(s, true));
    noiseClick(s);  // fixed and armed
    noiseMouseMove(s, 10.0f);
    EXPECT_EQ(s.NiveauBruit, 122);
    EXPECT_TRUE(s.ModeBruit && !s.CaptureNiveauBruit);
    EXPECT_FALSE(pressNoiseButton(s, false));
    EXPECT_FALSE(s.ModeBruit || s.CaptureNiveauBruit);
}

// The line is drawn while armed or placed; it stops a run only when armed, fixed and
// crossed by a peak whose top lies above it.
TEST(NoiseReference, LineAndTriggerFollowTheState) {
    const struct {
        NoiseState s;
        float sommet;
        bool drawn, fires;
    } cases[] = {
        {{true, false, 300}, 299.9f, true, true},  {{true, false, 300}, 300.0f, true, false},
        {{true, true, 300}, 0.0f, true, false},    {{false, true, 300}, 0.0f, true, false},
        {{false, false, 300}, 0.0f, false, false}, {{true, false, 0}, 0.0f, true, false},
        {{true, false, 700}, 594.0f, true, true},  // below a shrunken picture
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.s.ModeBruit << c.s.CaptureNiveauBruit << " "
                                        << c.s.NiveauBruit << " " << c.sommet);
        EXPECT_EQ(noiseTriggerFires(c.s, c.sommet), c.fires);
        test::RecordingSurface im(1024, 500);
        drawNoiseLine(im, c.s);
        ASSERT_EQ(im.lines.size(), c.drawn ? 1u : 0u);
        if (c.drawn) {
            EXPECT_EQ(im.lines[0].x2, 1024.0f);
            EXPECT_EQ(im.lines[0].y1, float(c.s.NiveauBruit));
            EXPECT_EQ(im.lines[0].colour, 255);
        }
    }
}

}  // namespace
}  // namespace vellora
