#include "mainwindow/layout.h"

#include <gtest/gtest.h>

namespace vellora {
namespace {

LayoutResult laid(int32_t W, int32_t H, int32_t wOut) {
    const auto r = Form_Resize(W, H, wOut);
    EXPECT_TRUE(r.has_value());
    return r.value_or(LayoutResult{});
}

TEST(Layout, WorkedExampleOfTheCreationSize) {
    const LayoutResult r = laid(15930, 10410, 16050);
    const FormGeometry& f = r.geometry;
    EXPECT_EQ(f.Frame1, (TwipsRect{0, 0, 15930, 8910}));
    EXPECT_EQ(f.Im_Spectre, (TwipsRect{0, 0, 15530, 8910}));
    EXPECT_EQ(f.VScrollNiveau, (TwipsRect{15540, 0, 200, 8910}));
    EXPECT_EQ(f.Energie, (TwipsRect{13185, 100, 2295, 1335}));
    EXPECT_EQ(f.Frame2, (TwipsRect{-120, 8960, 16050, 1450}));
    EXPECT_EQ(r.g, 1175);
    EXPECT_EQ(f.CommandRun.left, 1175);
    EXPECT_EQ(f.CommandCalibrate.left, 4150);
    EXPECT_EQ(f.CommandBruit.left, 4150);
    EXPECT_EQ(f.CommandAnalyse.left, 4150);
    EXPECT_EQ(f.HScrollCalibrate.left, 7125);
    EXPECT_EQ(f.TextCalibrate.left, 7125);
    EXPECT_EQ(f.LabelCalibrate.left, 7125);
    EXPECT_EQ(f.HScrollFrequence.left, 10100);
    EXPECT_EQ(f.LabelEchantillon.left, 10100);
    EXPECT_EQ(f.CommandExit.left, 13075);
    EXPECT_EQ(f.ShapeFrequence, (TwipsRect{6875, 200, 2300, 1215}));
    EXPECT_EQ(f.TextEchantillon, (TwipsRect{11450, 900, 450, 300}));
    // Column 2 stacks its buttons 310 apart; the third row sits at 900.
    EXPECT_EQ(f.CommandCalibrate.top, 290);
    EXPECT_EQ(f.CommandBruit.top, 600);
    EXPECT_EQ(f.CommandAnalyse.top, 910);
    EXPECT_EQ(f.HScrollCalibrate.top, 900);
}

TEST(Layout, ColumnGapRoundsHalvesToEven) {
    // (wOut - 9000) / 6 = 1175.5 and 1174.5.
    EXPECT_EQ(laid(15930, 10410, 16053).g, 1176);
    EXPECT_EQ(laid(15930, 10410, 16047).g, 1174);
    EXPECT_EQ(laid(15930, 10410, 16047).geometry.CommandExit.left, 7200 + 5 * 1174);
}

TEST(Layout, NarrowWindowsCloseAndThenOverlapTheColumns) {
    const LayoutResult touching = laid(8880, 6000, 9000);
    EXPECT_EQ(touching.g, 0);
    EXPECT_EQ(touching.geometry.CommandRun.left, 0);
    EXPECT_EQ(touching.geometry.CommandCalibrate.left, 1800);
    EXPECT_EQ(touching.geometry.CommandExit.left, 7200);

    const LayoutResult overlapping = laid(5880, 6000, 6000);
    EXPECT_EQ(overlapping.g, -500);
    EXPECT_EQ(overlapping.geometry.CommandRun.left, -500);
    EXPECT_EQ(overlapping.geometry.HScrollCalibrate.left, 3600 - 1500);
    EXPECT_EQ(overlapping.geometry.CommandExit.left, 7200 - 2500);
}

TEST(Layout, MinimizedWindowMovesNothing) { EXPECT_FALSE(Form_Resize(0, 0, 300).has_value()); }

TEST(Layout, KeepsTheSizesItDoesNotOwn) {
    FormGeometry current = creationGeometry();
    current.CommandRun.height = 500;
    current.LabelCalibrate.height = 321;
    current.Energie.width = 1000;
    const FormGeometry f = Form_Resize(15930, 10410, 16050, current)->geometry;
    EXPECT_EQ(f.CommandRun.height, 500);
    EXPECT_EQ(f.LabelCalibrate.height, 321);
    EXPECT_EQ(f.HScrollCalibrate.height, 255);
    // The gauge keeps its 50-twip margin whatever its size.
    EXPECT_EQ(f.Energie.left, 15530 - 1000 - 50);
}

TEST(Layout, TinyAndHugeWindowsNeverGiveNegativeOrWrappedSizes) {
    const FormGeometry tiny = laid(300, 1000, 420).geometry;
    EXPECT_EQ(tiny.Frame1.height, 0);
    EXPECT_EQ(tiny.Im_Spectre.width, 0);
    EXPECT_GE(tiny.VScrollNiveau.height, 0);

    // Far beyond 16 bits: the gap and its multiples must not wrap.
    const LayoutResult huge = laid(99990, 20000, 100110);
    EXPECT_EQ(huge.g, (100110 - 9000) / 6);
    EXPECT_EQ(huge.geometry.CommandExit.left, 7200 + 5 * huge.g);
    EXPECT_GT(huge.geometry.CommandExit.left, huge.geometry.HScrollFrequence.left);
}

}  // namespace
}  // namespace vellora
