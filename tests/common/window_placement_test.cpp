// Stored window geometry past every edge, on screens from 800 x 600 up: the window
// always lands wholly on the available area, never below its controls' minimum.
// Expected values worked out by hand at 15 twips per pixel (96 dpi).
#include "common/window_placement.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>

namespace vellora {

void PrintTo(const PixelRect& r, std::ostream* os) {
    *os << r.left << ", " << r.top << ", " << r.width << " x " << r.height;
}

namespace {

constexpr double kTpp = 15;
constexpr int64_t kMax = INT32_MAX;
constexpr int64_t kMin = INT32_MIN;

// The main window: 600 x 254 at least, frame 8 x 32, design size 16050 x 11220
// twips = 1070 x 748 pixels.
PlacementLimits mainWindowOn(PixelRect area, bool design = false) {
    PlacementLimits l;
    l.available = area;
    l.frameWidth = 8;
    l.frameHeight = 32;
    l.minimumWidth = 600;
    l.minimumHeight = 254;
    l.keepProportions = design;
    return l;
}

TEST(WindowPlacement, StoredValuesPastEveryEdgeComeBackOnTheScreen) {
    const PixelRect screen{0, 0, 1024, 768};
    const struct {
        const char* what;
        StoredPlacement stored;
        PixelRect expected;
    } cases[] = {
        {"fits as stored", {1500, 3000, 12000, 7500}, {100, 200, 800, 500}},
        {"negative size: the minimum", {0, 0, -1000, -1000}, {0, 0, 600, 254}},
        {"zero size", {0, 0, 0, 0}, {0, 0, 600, 254}},
        {"far right: back to the right edge", {100000, 0, 12000, 7500}, {216, 0, 800, 500}},
        {"far below", {0, 100000, 12000, 7500}, {0, 236, 800, 500}},
        {"left of the screen", {-30000, -30000, 12000, 7500}, {0, 0, 800, 500}},
        {"largest 32-bit values", {kMax, kMax, kMax, kMax}, {0, 0, 1016, 736}},
        {"smallest 32-bit values", {kMin, kMin, kMin, kMin}, {0, 0, 600, 254}},
        {"largest position, smallest size", {kMax, kMax, kMin, kMin}, {416, 482, 600, 254}},
        {"a 32-bit size less a frame", {0, 0, kMin - 120, kMin - 510}, {0, 0, 600, 254}},
        {"one side too large only", {0, 0, 300000, 7500}, {0, 0, 1016, 500}},
        {"partly off the bottom right", {7500, 7500, 12000, 7500}, {216, 236, 800, 500}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(placeOnScreen(c.stored, kTpp, mainWindowOn(screen)), c.expected) << c.what;
}

// No settings file: the design size shrinks as a whole to fit the screen, 1070 : 748.
TEST(WindowPlacement, TheFirstWindowFitsEveryScreenInTheDesignProportions) {
    const StoredPlacement design{0, 0, 16050, 11220};
    const struct {
        PixelRect screen;
        PixelRect expected;
    } cases[] = {
        // 792 / 1070 = 0.740 limits: 748 x 0.740 = 553.7
        {{0, 0, 800, 600}, {0, 0, 792, 554}},
        // 1016 / 1070 = 0.950 limits: 748 x 0.950 = 710.2
        {{0, 0, 1024, 768}, {0, 0, 1016, 710}},
        {{0, 0, 1600, 1000}, {0, 0, 1070, 748}},
        // A panel of 40 pixels at the top of a 1366 x 768 screen: 696 / 748 limits.
        {{0, 40, 1366, 728}, {0, 40, 996, 696}},
        // A second screen to the right of the first.
        {{1920, 0, 1280, 1024}, {1920, 0, 1070, 748}},
    };
    for (const auto& c : cases) {
        const PixelRect placed = placeOnScreen(design, kTpp, mainWindowOn(c.screen, true));
        EXPECT_EQ(placed, c.expected) << c.screen.width << " x " << c.screen.height;
        EXPECT_LE(placed.left + placed.width + 8, c.screen.left + c.screen.width);
        EXPECT_LE(placed.top + placed.height + 32, c.screen.top + c.screen.height);
    }
}

TEST(WindowPlacement, AScreenSmallerThanTheMinimumKeepsTheMinimumAtItsCorner) {
    EXPECT_EQ(placeOnScreen({5000, 5000, 1000, 1000}, kTpp, mainWindowOn({10, 20, 500, 200})),
              (PixelRect{10, 20, 600, 254}));
    // Other scales: 20 twips per pixel (72 dpi).
    EXPECT_EQ(placeOnScreen({2000, 4000, 12000, 6000}, 20, mainWindowOn({0, 0, 1024, 768})),
              (PixelRect{100, 200, 600, 300}));
}

}  // namespace
}  // namespace vellora
