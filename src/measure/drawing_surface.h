// SPDX-License-Identifier: GPL-3.0-or-later
// What the measurement code needs of a picture it draws on. The main window gives it
// a real widget-backed image; tests give it a recording fake.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace vellora {

// Names a picture a surface may keep: what was drawn on it since it was cleared, in
// the drawer's own terms. Two pictures with one key must be the same picture.
using PictureKey = std::array<uint64_t, 3>;

// One straight line in logical units; colour as for DrawingSurface::line.
struct SurfaceLine {
    float x1, y1, x2, y2;
    int32_t colour;
};

class DrawingSurface {
  public:
    virtual ~DrawingSurface() = default;
    // Inner width and height in the surface's own logical units (for the spectrum:
    // 1024 units across, pixels down with 0 at the top).
    virtual float scaleWidth() const = 0;
    virtual float scaleHeight() const = 0;
    // Pen width in whole pixels, used by every following line.
    virtual int16_t drawWidth() const = 0;
    virtual void setDrawWidth(int16_t w) = 0;
    // Fill with the background colour.
    virtual void clear() = 0;
    // A straight line in logical units; colour is red + 256 * green + 65536 * blue.
    virtual void line(float x1, float y1, float x2, float y2, int32_t colour) = 0;
    // The lines in order, with the same pixels as calling line() for each; a surface
    // may draw them with fewer drawing calls.
    virtual void lines(std::span<const SurfaceLine> batch) {
        for (const SurfaceLine& l : batch) line(l.x1, l.y1, l.x2, l.y2, l.colour);
    }
    // Kept pictures, so that a drawing which begins like an earlier one can resume
    // where they part instead of drawing its start again. keepPicture() stores the
    // picture as it stands; restorePicture() puts back the one kept under `key` and
    // returns true, or returns false with the picture unchanged when it has none kept
    // for the surface as it is now (size, pen, background). A surface may keep none.
    virtual void keepPicture(const PictureKey&) {}
    virtual bool restorePicture(const PictureKey&) { return false; }
};

}  // namespace vellora
