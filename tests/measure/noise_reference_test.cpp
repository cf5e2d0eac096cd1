// SPDX-License-Identifier: GPL-3.0-or-later
#include "measure/noise_reference.h"

#include <gtest/gtest.h>

#include "support/recording_surface.h"

namespace vellora {
namespace {

// The line follows the mouse (halves to even) until a click fixes it; it is drawn
// while armed or placed, and stops a run only when armed, fixed, and a peak's top lies
// above it -- never while a calibration holds it.
TEST(NoiseReference, TheLineIsPlacedDrawnAndFiresAsTheStateSays) {
    NoiseState s;
    EXPECT_TRUE(pressNoiseButton(s, true));
    noiseMouseMove(s, 120.5f);
    noiseClick(s);
    noiseMouseMove(s, 10.0f);
    EXPECT_TRUE(s.ModeBruit && !s.CaptureNiveauBruit && s.NiveauBruit == 120);
    const struct {
        NoiseState s;
        float sommet;
        bool drawn, fires;
    } cases[] = {
        {{true, false, 300}, 299.9f, true, true},  {{true, false, 300}, 300.0f, true, false},
        {{true, true, 300}, 0.0f, true, false},    {{false, true, 300}, 0.0f, true, false},
        {{false, false, 300}, 0.0f, false, false}, {{true, false, 300, true}, 0.0f, true, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(noiseTriggerFires(c.s, c.sommet), c.fires) << &c - cases;
        test::RecordingSurface im(1024, 500);
        drawNoiseLine(im, c.s);
        ASSERT_EQ(im.lines.size(), c.drawn ? 1u : 0u) << &c - cases;
        for (const auto& l : im.lines) EXPECT_TRUE(l.x2 == 1024 && l.y1 == 300 && l.y2 == 300);
    }
}

}  // namespace
}  // namespace vellora
