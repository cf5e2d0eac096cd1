// SPDX-License-Identifier: GPL-3.0-or-later
#include "measure/energy_gauge.h"

#include <gtest/gtest.h>

#include <cmath>

#include "common/numeric.h"
#include "support/recording_surface.h"

namespace vellora {
namespace {

TEST(EnergyGauge, SweepStepsOfTwentyAndNeedleAtPreviousValue) {
    test::RecordingSurface g(2000, 1000);
    int32_t previous = 45;
    drawEnergyGauge(g, 20000, 40000, previous);
    ASSERT_EQ(g.lines.size(), 1001u + 1u);  // 0, 20 .. 20000, then the needle at 45
    EXPECT_EQ(g.lines[0].x2, 0.0f);         // energy 0 points left, green at its limit
    EXPECT_EQ(g.lines[0].colour, rgb(0, 255, 128));
    const auto& top = g.lines[1000];  // e = 20000: half scale, straight up
    EXPECT_NEAR(top.x2, 1000.0f, 1e-3);
    EXPECT_NEAR(top.y2, 0.0f, 1e-3);
    EXPECT_EQ(top.colour, rgb(128, 128, 128));  // 127.5 -> 128 and 128.5 -> 128, halves to even
    // e = 800: 800 / 40000 * 255 = 5.1, so red 5 and green 256 - 5.1 = 250.9 -> 251.
    EXPECT_EQ(g.lines[40].colour, rgb(5, 251, 128));
    EXPECT_NEAR(g.lines.back().x2, 1000 - 1000 * std::cos(45 * M_PI / 40000), 1e-2);
    EXPECT_EQ(previous, 20000);

    // No spectrum height (a scale of 0) would divide by zero: a clear gauge instead.
    drawEnergyGauge(g, 0, 0, previous);
    EXPECT_TRUE(g.lines.empty());
    EXPECT_EQ(previous, 0);
}

}  // namespace
}  // namespace vellora
