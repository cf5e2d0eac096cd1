// SPDX-License-Identifier: GPL-3.0-or-later
// Expected values worked out by hand at 15 twips per pixel (96 dpi) for the main
// window: 600 x 254 at least, frame 8 x 32, design size 16050 x 11220 twips.
#include "common/window_placement.h"

#include <gtest/gtest.h>

namespace vellora {
namespace {

constexpr int64_t kMax = INT32_MAX, kMin = INT32_MIN;

// Stored values past every edge come back on the screen; with no settings file
// (`design`) the design size, 1070 x 748 pixels, shrinks as a whole to fit.
TEST(WindowPlacement, TheWindowAlwaysLandsWhollyOnTheScreen) {
    const struct {
        StoredPlacement stored;
        PixelRect screen, expected;
        bool design = false;
    } cases[] = {
        {{1500, 3000, 12000, 7500}, {0, 0, 1024, 768}, {100, 200, 800, 500}},
        {{kMax, kMax, kMax, kMax}, {0, 0, 1024, 768}, {0, 0, 1016, 736}},
        {{kMax, kMax, kMin, kMin}, {0, 0, 1024, 768}, {416, 482, 600, 254}},
        {{5000, 5000, 1000, 1000}, {10, 20, 500, 200}, {10, 20, 600, 254}},   // below minimum
        {{0, 0, 16050, 11220}, {0, 0, 800, 600}, {0, 0, 792, 554}, true},     // 748 x 0.740
        {{0, 0, 16050, 11220}, {0, 40, 1366, 728}, {0, 40, 996, 696}, true},  // a 40 px panel
    };
    for (const auto& c : cases) {
        const PixelRect r = placeOnScreen(c.stored, 15, {c.screen, 8, 32, 600, 254, c.design});
        EXPECT_TRUE(r == c.expected) << &c - cases << ": " << r.left << ", " << r.top << ", "
                                     << r.width << " x " << r.height;
    }
}

}  // namespace
}  // namespace vellora
