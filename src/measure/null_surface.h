// SPDX-License-Identifier: GPL-3.0-or-later
// A surface of a given size that draws nothing: for the analyser and benchmarks,
// where only the numbers of a cycle matter.
#pragma once

#include "measure/drawing_surface.h"

namespace vellora {

class NullSurface : public DrawingSurface {
  public:
    NullSurface(float width, float height) : width_(width), height_(height) {}
    float scaleWidth() const override { return width_; }
    float scaleHeight() const override { return height_; }
    int16_t drawWidth() const override { return pen_; }
    void setDrawWidth(int16_t w) override { pen_ = w; }
    void clear() override {}
    void line(float, float, float, float, int32_t) override {}

  private:
    float width_;
    float height_;
    int16_t pen_ = 1;
};

}  // namespace vellora
