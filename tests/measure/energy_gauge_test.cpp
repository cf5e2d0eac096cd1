#include "measure/energy_gauge.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "common/numeric.h"
#include "support/recording_surface.h"

namespace vellora {
namespace {

using test::RecordingSurface;

TEST(EnergyGauge, ZeroEnergyDrawsOneLineToTheLeftAndTheNeedle) {
    RecordingSurface g(2000, 1000);
    int32_t previous = 0;
    drawEnergyGauge(g, 0, 40000, previous);
    EXPECT_EQ(g.clears, 1);
    ASSERT_EQ(g.lines.size(), 2u);
    for (const auto& l : g.lines) {
        EXPECT_EQ(l.x1, 1000.0f);
        EXPECT_EQ(l.y1, 1000.0f);
        EXPECT_EQ(l.x2, 0.0f);
        EXPECT_EQ(l.y2, 1000.0f);
        EXPECT_EQ(l.colour, rgb(0, 255, 128));
    }
}

TEST(EnergyGauge, SweepStepsOfTwentyAndNeedleAtPreviousValue) {
    RecordingSurface g(2000, 1000);
    int32_t previous = 0;
    drawEnergyGauge(g, 45, 40000, previous);
    EXPECT_EQ(g.lines.size(), 3u + 1u);  // 0, 20, 40, then the needle at 0
    EXPECT_EQ(previous, 45);

    drawEnergyGauge(g, 20000, 40000, previous);
    ASSERT_EQ(g.lines.size(), 1001u + 1u);
    const auto& top = g.lines[1000];  // e = 20000: half scale, straight up
    EXPECT_NEAR(top.x2, 1000.0f, 1e-3);
    EXPECT_NEAR(top.y2, 0.0f, 1e-3);
    EXPECT_EQ(top.colour, rgb(128, 128, 128));  // 127.5 -> 128 and 128.5 -> 128, halves to even
    // e = 800: 800 / 40000 * 255 = 5.1, so red 5 and green 256 - 5.1 = 250.9 -> 251.
    EXPECT_EQ(g.lines[40].colour, rgb(5, 251, 128));
    const auto& needle = g.lines.back();  // the previous cycle's 45
    EXPECT_NEAR(needle.x2, 1000 - 1000 * std::cos(45 * M_PI / 40000), 1e-2);
    EXPECT_EQ(previous, 20000);
}

// Keeps its list of lines as its picture.
class KeepingSurface : public RecordingSurface {
  public:
    using RecordingSurface::RecordingSurface;
    void line(float x1, float y1, float x2, float y2, int32_t colour) override {
        RecordingSurface::line(x1, y1, x2, y2, colour);
        ++drawn;
    }
    void keepPicture(const PictureKey& key) override { kept[key] = lines; }
    bool restorePicture(const PictureKey& key) override {
        const auto it = kept.find(key);
        if (it == kept.end()) return false;
        lines = it->second;
        return true;
    }
    std::map<PictureKey, std::vector<test::DrawnLine>> kept;
    int drawn = 0;
};

bool sameLines(const std::vector<test::DrawnLine>& a, const std::vector<test::DrawnLine>& b) {
    // Exact bits: a resumed sweep must repeat the very lines of a whole one.
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& p, const auto& q) {
        return p.x1 == q.x1 && p.y1 == q.y1 && p.x2 == q.x2 && p.y2 == q.y2 &&
               p.colour == q.colour && p.pen == q.pen;
    });
}

// Cycle after cycle at one scale the sweep resumes from what it kept, drawing far
// fewer lines, and the picture is line for line the whole sweep's.
TEST(EnergyGauge, SweepResumesFromKeptPicturesWithTheSameLines) {
    constexpr int32_t kEnergieMax = 2048 * 343;  // loud noise over the whole window
    struct Cycle {
        int32_t energy, energieMax;
        bool resumes;
    };
    const Cycle cycles[] = {
        {703000, kEnergieMax, false}, {698500, kEnergieMax, true}, {705900, kEnergieMax, true},
        {300, kEnergieMax, false},    {701000, 2048 * 300, false}, {701000, kEnergieMax, true},
    };
    KeepingSurface keeping(2295, 1335);
    RecordingSurface whole(2295, 1335);
    int32_t keepingPrevious = 0, wholePrevious = 0;
    for (const Cycle& c : cycles) {
        SCOPED_TRACE(testing::Message() << c.energy << " of " << c.energieMax);
        keeping.drawn = 0;
        drawEnergyGauge(keeping, c.energy, c.energieMax, keepingPrevious);
        drawEnergyGauge(whole, c.energy, c.energieMax, wholePrevious);
        ASSERT_EQ(keeping.lines.size(), whole.lines.size());
        EXPECT_TRUE(sameLines(keeping.lines, whole.lines));
        if (c.resumes) {
            EXPECT_LT(keeping.drawn, int(whole.lines.size()) / 20);
        } else {
            EXPECT_EQ(keeping.drawn, int(whole.lines.size()));
        }
    }
}

TEST(EnergyGauge, NoSpectrumHeightDrawsNothing) {
    RecordingSurface g(2000, 1000);
    int32_t previous = 7;
    drawEnergyGauge(g, 0, 0, previous);
    EXPECT_EQ(g.clears, 1);
    EXPECT_TRUE(g.lines.empty());
    EXPECT_EQ(previous, 0);
}

}  // namespace
}  // namespace vellora
