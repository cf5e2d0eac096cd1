// What the measurement code needs of a picture it draws on. The main window gives it
// a real widget-backed image; tests give it a recording fake.
#pragma once

#include <cstdint>

namespace vellora {

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
};

}  // namespace vellora
