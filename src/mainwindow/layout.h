// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's layout pass, free of any window: from the client area and the
// outer width, all in twips (1/1440 inch), to the geometry of every control.
//
// Positions are relative to each control's container: Frame1 and Frame2 to the
// client area, Im_Spectre, VScrollNiveau and Energie to Frame1, the panel's
// controls to Frame2. Everything is computed in 32 bits: for any 32-bit outer width
// the column gap g is below 2^29, so 5 * g plus the column widths still fits.
#pragma once

#include <cstdint>
#include <optional>

namespace vellora {

struct TwipsRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;

    bool operator==(const TwipsRect&) const = default;
};

struct FormGeometry {
    TwipsRect Frame1;
    TwipsRect Energie;
    TwipsRect VScrollNiveau;
    TwipsRect Im_Spectre;
    TwipsRect Frame2;
    TwipsRect CommandRun;
    TwipsRect CommandCalibrate;
    TwipsRect CommandBruit;
    TwipsRect CommandAnalyse;
    TwipsRect ShapeFrequence;
    TwipsRect LabelCalibrate;
    TwipsRect TextCalibrate;
    TwipsRect HScrollCalibrate;
    TwipsRect LabelFrequence;
    TwipsRect HScrollFrequence;
    TwipsRect LabelEchantillon;
    TwipsRect TextEchantillon;
    TwipsRect CommandExit;

    bool operator==(const FormGeometry&) const = default;
};

// The window as it is created: client area 15930 x 10410.
inline constexpr int32_t kCreationClientWidth = 15930;
inline constexpr int32_t kCreationClientHeight = 10410;

// The geometry the controls are created with, before any layout pass.
FormGeometry creationGeometry();

struct LayoutResult {
    FormGeometry geometry;
    int32_t g = 0;  // the gap between the panel's five columns
};

// The layout pass for a client area W x H and an outer width wOut. `current` supplies
// the sizes the pass keeps (button and caption heights, the size of Energie).
// Returns nothing when W is 0 (minimized): every control stays where it is.
// A client area below 400 x 1500 gives zero sizes where they would turn negative;
// positions are computed as usual and may be negative.
std::optional<LayoutResult> Form_Resize(int32_t W, int32_t H, int32_t wOut,
                                        const FormGeometry& current = creationGeometry());

}  // namespace vellora
