// SPDX-License-Identifier: GPL-3.0-or-later
// A drawing surface that records every call, for checking what the cycle drew.
#pragma once

#include <vector>

#include "measure/drawing_surface.h"

namespace vellora::test {

struct DrawnLine {
    float x1, y1, x2, y2;
    int32_t colour;
    int16_t pen;
};

class RecordingSurface : public DrawingSurface {
  public:
    RecordingSurface(float width, float height) : width(width), height(height) {}
    float scaleWidth() const override { return width; }
    float scaleHeight() const override { return height; }
    int16_t drawWidth() const override { return pen; }
    void setDrawWidth(int16_t w) override { pen = w; }
    void clear() override {
        ++clears;
        lines.clear();
    }
    void line(float x1, float y1, float x2, float y2, int32_t colour) override {
        lines.push_back({x1, y1, x2, y2, colour, pen});
    }

    float width, height;
    int16_t pen = 1;
    int clears = 0;
    std::vector<DrawnLine> lines;
};

}  // namespace vellora::test
