// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/layout.h"

#include <algorithm>

#include "common/numeric.h"

namespace vellora {

namespace {

constexpr int32_t kPanelHeight = 1450;         // Frame2, at the bottom of the client area
constexpr int32_t kSpectrumHeightLoss = 1500;  // client height not given to Frame1
constexpr int32_t kGainBarWidth = 200;
constexpr int32_t kColumnWidth = 1800;
constexpr int32_t kColumnsWidth = 5 * kColumnWidth;
constexpr int32_t kRowBase = 1200 / 2;
constexpr int32_t kRowStep = 300;

int32_t nonNegative(int32_t v) { return std::max<int32_t>(v, 0); }

}  // namespace

FormGeometry creationGeometry() {
    FormGeometry f;
    f.Frame1 = {0, 720, 16000, 7695};
    f.Energie = {13080, 240, 2295, 1335};
    f.VScrollNiveau = {15600, 240, 200, 8055};
    f.Im_Spectre = {-120, 1680, 15255, 7635};
    f.Frame2 = {-120, 8520, 16095, 1815};
    f.CommandRun = {600, 720, 975, 375};
    f.CommandCalibrate = {2280, 240, 1935, 375};
    f.CommandBruit = {2280, 600, 1935, 375};
    f.CommandAnalyse = {2280, 960, 1935, 375};
    f.ShapeFrequence = {5280, 360, 2895, 1215};
    f.LabelCalibrate = {5640, 480, 2175, 255};
    f.TextCalibrate = {5640, 720, 2175, 285};
    f.HScrollCalibrate = {5640, 1080, 2175, 255};
    f.LabelFrequence = {9480, 480, 2295, 255};
    f.HScrollFrequence = {9480, 720, 2295, 255};
    f.LabelEchantillon = {9480, 1200, 1335, 255};
    f.TextEchantillon = {11040, 1080, 735, 285};
    f.CommandExit = {13800, 720, 1215, 375};
    return f;
}

std::optional<LayoutResult> Form_Resize(int32_t W, int32_t H, int32_t wOut,
                                        const FormGeometry& current) {
    if (W == 0) return std::nullopt;
    FormGeometry f = current;

    // The spectrum area: the surface and, 10 twips to its right, the gain bar.
    f.Frame1 = {0, 0, nonNegative(W), nonNegative(H - kSpectrumHeightLoss)};
    f.VScrollNiveau.width = kGainBarWidth;
    f.VScrollNiveau.top = 0;
    f.VScrollNiveau.height = f.Frame1.height;
    f.Im_Spectre = {0, 0, nonNegative(f.Frame1.width - f.VScrollNiveau.width - kGainBarWidth),
                    f.Frame1.height};
    f.VScrollNiveau.left = f.Im_Spectre.width + 10;
    f.Energie.top = 100;
    f.Energie.left = f.Im_Spectre.width - f.Energie.width - 50;

    // The panel is as wide as the outer window; its left stays at -120, so with
    // borders of 120 twips its right edge meets the client's.
    f.Frame2.width = nonNegative(wOut);
    f.Frame2.height = kPanelHeight;
    f.Frame2.top = f.Frame1.height + 50;

    // Five 1800-wide columns and six equal gaps around them.
    const int32_t g =
        toInt32Saturated(roundHalfEven((double(f.Frame2.width) - kColumnsWidth) / 6.0));

    for (TwipsRect* r : {&f.CommandRun, &f.CommandCalibrate, &f.CommandBruit, &f.CommandAnalyse,
                         &f.CommandExit, &f.HScrollCalibrate, &f.HScrollFrequence,
                         &f.LabelFrequence, &f.LabelCalibrate, &f.TextCalibrate})
        r->width = kColumnWidth;
    f.ShapeFrequence.width = 2300;
    f.LabelEchantillon.width = 5400 / 4;
    f.TextEchantillon.width = kColumnWidth / 4;

    f.CommandRun.left = g;
    f.CommandCalibrate.left = 2 * g + f.CommandRun.width;
    f.CommandBruit.left = f.CommandCalibrate.left;
    f.CommandAnalyse.left = f.CommandCalibrate.left;
    f.HScrollCalibrate.left = f.CommandCalibrate.width + f.CommandRun.width + 3 * g;
    f.ShapeFrequence.left = f.HScrollCalibrate.left - 250;
    f.TextCalibrate.left = f.HScrollCalibrate.left;
    f.LabelCalibrate.left = f.TextCalibrate.left;
    f.HScrollFrequence.left =
        f.CommandCalibrate.width + f.CommandRun.width + f.HScrollCalibrate.width + 4 * g;
    f.LabelFrequence.left = f.HScrollFrequence.left;
    f.LabelEchantillon.left = f.HScrollFrequence.left;
    f.TextEchantillon.left = 1350 + f.LabelEchantillon.left;
    f.CommandExit.left = f.CommandCalibrate.width + f.CommandRun.width + f.HScrollCalibrate.width +
                         f.HScrollFrequence.width + 5 * g;

    // Three rows, 300 twips apart around the row base; column 2's buttons stack
    // 310 apart, each reaching 65 twips into the next.
    const int32_t r = kRowBase;
    f.CommandRun.top = r;
    f.CommandCalibrate.top = r - kRowStep - 10;
    f.CommandBruit.top = r;
    f.CommandAnalyse.top = f.CommandBruit.top + kRowStep + 10;
    f.CommandExit.top = r;
    f.LabelCalibrate.top = r - kRowStep;
    f.TextCalibrate.top = r;
    f.TextCalibrate.height = kRowStep;
    f.HScrollCalibrate.top = r + kRowStep;
    f.ShapeFrequence.top = f.LabelCalibrate.top - 100;
    f.LabelFrequence.top = r - kRowStep;
    f.HScrollFrequence.top = r;
    f.HScrollFrequence.height = kRowStep;
    f.LabelEchantillon.top = r + kRowStep;
    f.LabelEchantillon.height = kRowStep;
    f.TextEchantillon.top = r + kRowStep;
    f.TextEchantillon.height = kRowStep;

    return LayoutResult{f, g};
}

}  // namespace vellora
