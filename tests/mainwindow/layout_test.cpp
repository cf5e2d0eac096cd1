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
    struct Case {
        int32_t W, H, wOut, g;
        FormGeometry want;
    };
    FormGeometry creation;
    creation.Frame1 = {0, 0, 15930, 8910};
    creation.Im_Spectre = {0, 0, 15530, 8910};
    creation.VScrollNiveau = {15540, 0, 200, 8910};
    creation.Energie = {13185, 100, 2295, 1335};
    creation.Frame2 = {-120, 8960, 16050, 1450};
    creation.CommandRun = {1175, 600, 1800, 375};
    creation.CommandCalibrate = {4150, 290, 1800, 375};
    creation.CommandBruit = {4150, 600, 1800, 375};
    creation.CommandAnalyse = {4150, 910, 1800, 375};
    creation.ShapeFrequence = {6875, 200, 2300, 1215};
    creation.LabelCalibrate = {7125, 300, 1800, 255};
    creation.TextCalibrate = {7125, 600, 1800, 300};
    creation.HScrollCalibrate = {7125, 900, 1800, 255};
    creation.LabelFrequence = {10100, 300, 1800, 255};
    creation.HScrollFrequence = {10100, 600, 1800, 300};
    creation.LabelEchantillon = {10100, 900, 1350, 300};
    creation.TextEchantillon = {11450, 900, 450, 300};
    creation.CommandExit = {13075, 600, 1800, 375};

    FormGeometry small;
    small.Frame1 = {0, 0, 11880, 4500};
    small.Im_Spectre = {0, 0, 11480, 4500};
    small.VScrollNiveau = {11490, 0, 200, 4500};
    small.Energie = {9135, 100, 2295, 1335};
    small.Frame2 = {-120, 4550, 12000, 1450};
    small.CommandRun = {500, 600, 1800, 375};
    small.CommandCalibrate = {2800, 290, 1800, 375};
    small.CommandBruit = {2800, 600, 1800, 375};
    small.CommandAnalyse = {2800, 910, 1800, 375};
    small.ShapeFrequence = {4850, 200, 2300, 1215};
    small.LabelCalibrate = {5100, 300, 1800, 255};
    small.TextCalibrate = {5100, 600, 1800, 300};
    small.HScrollCalibrate = {5100, 900, 1800, 255};
    small.LabelFrequence = {7400, 300, 1800, 255};
    small.HScrollFrequence = {7400, 600, 1800, 300};
    small.LabelEchantillon = {7400, 900, 1350, 300};
    small.TextEchantillon = {8750, 900, 450, 300};
    small.CommandExit = {9700, 600, 1800, 375};

    for (const Case& c :
         {Case{15930, 10410, 16050, 1175, creation}, Case{11880, 6000, 12000, 500, small}}) {
        const LayoutResult r = laid(c.W, c.H, c.wOut);
        EXPECT_EQ(r.g, c.g);
        const FormGeometry& f = r.geometry;
        const FormGeometry& w = c.want;
        EXPECT_EQ(f.Frame1, w.Frame1);
        EXPECT_EQ(f.Im_Spectre, w.Im_Spectre);
        EXPECT_EQ(f.VScrollNiveau, w.VScrollNiveau);
        EXPECT_EQ(f.Energie, w.Energie);
        EXPECT_EQ(f.Frame2, w.Frame2);
        EXPECT_EQ(f.CommandRun, w.CommandRun);
        EXPECT_EQ(f.CommandCalibrate, w.CommandCalibrate);
        EXPECT_EQ(f.CommandBruit, w.CommandBruit);
        EXPECT_EQ(f.CommandAnalyse, w.CommandAnalyse);
        EXPECT_EQ(f.ShapeFrequence, w.ShapeFrequence);
        EXPECT_EQ(f.LabelCalibrate, w.LabelCalibrate);
        EXPECT_EQ(f.TextCalibrate, w.TextCalibrate);
        EXPECT_EQ(f.HScrollCalibrate, w.HScrollCalibrate);
        EXPECT_EQ(f.LabelFrequence, w.LabelFrequence);
        EXPECT_EQ(f.HScrollFrequence, w.HScrollFrequence);
        EXPECT_EQ(f.LabelEchantillon, w.LabelEchantillon);
        EXPECT_EQ(f.TextEchantillon, w.TextEchantillon);
        EXPECT_EQ(f.CommandExit, w.CommandExit);
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
    EXPECT_GE(tiny.VScrollNiveau.height, 0);

    FormGeometry current = creationGeometry();
    current.CommandRun.height = 500;
    current.LabelCalibrate.height = 321;
    current.Energie.width = 1000;
    const FormGeometry f = Form_Resize(15930, 10410, 16050, current)->geometry;
    EXPECT_EQ(f.CommandRun.height, 500);
    EXPECT_EQ(f.LabelCalibrate.height, 321);
    EXPECT_EQ(f.HScrollCalibrate.height, 255);
    EXPECT_EQ(f.Energie.left, 15530 - 1000 - 50);  // a 50-twip margin whatever its size
}

}  // namespace
}  // namespace vellora
