// SPDX-License-Identifier: GPL-3.0-or-later
// Hands every line to a picture's line() on its own, as the window drew the gauge before
// lines went in batches: the yardstick the batched drawing is compared with.
#pragma once

#include "mainwindow/picture_surface.h"
#include "measure/drawing_surface.h"

namespace vellora::test {

class LineByLineSurface : public DrawingSurface {
  public:
    explicit LineByLineSurface(PictureSurface& s) : s_(s) {}
    float scaleWidth() const override { return s_.scaleWidth(); }
    float scaleHeight() const override { return s_.scaleHeight(); }
    int16_t drawWidth() const override { return s_.drawWidth(); }
    void setDrawWidth(int16_t w) override { s_.setDrawWidth(w); }
    void clear() override { s_.clear(); }
    void line(float x1, float y1, float x2, float y2, int32_t colour) override {
        s_.line(x1, y1, x2, y2, colour);
        ++lineCalls;
    }
    int lineCalls = 0;

  private:
    PictureSurface& s_;
};

}  // namespace vellora::test
