// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/layout.h"

#include <gtest/gtest.h>

namespace vellora {
namespace {

LayoutResult laid(int32_t W, int32_t H, int32_t wOut) {
    const auto r = Form_Resize(W, H, wOut);
    EXPECT_TRUE(r.has_value());
    return r.value_or(LayoutResult{});
}

// Every control at two sizes, worked by hand from the layout rules: the creation size
// (g = 1175) and a 12000-twip window (g = 500).
TEST(Layout, EveryControlAtTwoSizes) {
    struct Row {
        const char* name;
        TwipsRect FormGeometry::*control;
        TwipsRect creation, small;
    };
    using G = FormGeometry;
    const Row rows[] = {
        {"Frame1", &G::Frame1, {0, 0, 15930, 8910}, {0, 0, 11880, 4500}},
        {"Im_Spectre", &G::Im_Spectre, {0, 0, 15530, 8910}, {0, 0, 11480, 4500}},
        {"VScrollNiveau", &G::VScrollNiveau, {15540, 0, 200, 8910}, {11490, 0, 200, 4500}},
        {"Energie", &G::Energie, {13185, 100, 2295, 1335}, {9135, 100, 2295, 1335}},
        {"Frame2", &G::Frame2, {-120, 8960, 16050, 1450}, {-120, 4550, 12000, 1450}},
        {"CommandRun", &G::CommandRun, {1175, 600, 1800, 375}, {500, 600, 1800, 375}},
        {"CommandCalibrate", &G::CommandCalibrate, {4150, 290, 1800, 375}, {2800, 290, 1800, 375}},
        {"CommandBruit", &G::CommandBruit, {4150, 600, 1800, 375}, {2800, 600, 1800, 375}},
        {"CommandAnalyse", &G::CommandAnalyse, {4150, 910, 1800, 375}, {2800, 910, 1800, 375}},
        {"ShapeFrequence", &G::ShapeFrequence, {6875, 200, 2300, 1215}, {4850, 200, 2300, 1215}},
        {"LabelCalibrate", &G::LabelCalibrate, {7125, 300, 1800, 255}, {5100, 300, 1800, 255}},
        {"TextCalibrate", &G::TextCalibrate, {7125, 600, 1800, 300}, {5100, 600, 1800, 300}},
        {"HScrollCalibrate", &G::HScrollCalibrate, {7125, 900, 1800, 255}, {5100, 900, 1800, 255}},
        {"LabelFrequence", &G::LabelFrequence, {10100, 300, 1800, 255}, {7400, 300, 1800, 255}},
        {"HScrollFrequence", &G::HScrollFrequence, {10100, 600, 1800, 300}, {7400, 600, 1800, 300}},
        {"LabelEchantillon", &G::LabelEchantillon, {10100, 900, 1350, 300}, {7400, 900, 1350, 300}},
        {"TextEchantillon", &G::TextEchantillon, {11450, 900, 450, 300}, {8750, 900, 450, 300}},
        {"CommandExit", &G::CommandExit, {13075, 600, 1800, 375}, {9700, 600, 1800, 375}},
    };
    const LayoutResult creation = laid(15930, 10410, 16050), small = laid(11880, 6000, 12000);
    EXPECT_EQ(creation.g, 1175);
    EXPECT_EQ(small.g, 500);
    for (const Row& r : rows) {
        EXPECT_EQ(creation.geometry.*r.control, r.creation) << r.name << " at creation";
        EXPECT_EQ(small.geometry.*r.control, r.small) << r.name << " at 12000 twips";
    }
}

// The gap (wOut - 9000) / 6 rounds halves to even, closes, overlaps the columns and
// never wraps far beyond 16 bits; the last column follows it.
TEST(Layout, ColumnGapFromTouchingToHuge) {
    struct Case {
        int32_t W, wOut, g, exitLeft;
    };
    for (const Case& c : {Case{15930, 16053, 1176, 13080}, Case{15930, 16047, 1174, 13070},
                          Case{8880, 9000, 0, 7200}, Case{5880, 6000, -500, 4700},
                          Case{99990, 100110, 15185, 83125}}) {
        const LayoutResult r = laid(c.W, 6000, c.wOut);
        EXPECT_EQ(r.g, c.g) << c.wOut;
        EXPECT_EQ(r.geometry.CommandRun.left, c.g) << c.wOut;
        EXPECT_EQ(r.geometry.CommandExit.left, c.exitLeft) << c.wOut;
    }
}

TEST(Layout, MinimizedTinyAndResizedControlsKeepWhatTheyOwn) {
    EXPECT_FALSE(Form_Resize(0, 0, 300).has_value());
    const FormGeometry tiny = laid(300, 1000, 420).geometry;
    EXPECT_EQ(tiny.Frame1.height, 0);
    EXPECT_EQ(tiny.Im_Spectre.width, 0);
    FormGeometry current = creationGeometry();
    current.CommandRun.height = 500;
    current.LabelCalibrate.height = 321;
    current.Energie.width = 1000;
    const FormGeometry f = Form_Resize(15930, 10410, 16050, current)->geometry;
    EXPECT_EQ(f.CommandRun.height, 500);
    EXPECT_EQ(f.LabelCalibrate.height, 321);
    EXPECT_EQ(f.Energie.left, 15530 - 1000 - 50);  // a 50-twip margin whatever its size
}

}  // namespace
}  // namespace vellora
