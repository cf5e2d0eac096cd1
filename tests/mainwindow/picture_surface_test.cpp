// SPDX-License-Identifier: GPL-3.0-or-later
// The surface draws a batch of lines with the pixels of drawing each line on its own.
#include "mainwindow/picture_surface.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <vector>

#include "measure/energy_gauge.h"
#include "support/line_by_line_surface.h"
#include "support/qt_application.h"

namespace vellora {
namespace {

struct Pair {
    PictureSurface fast{PictureSurface::Scale::Twips, QPalette::ToolTipBase};
    PictureSurface slow{PictureSurface::Scale::Twips, QPalette::ToolTipBase};
    void set(int width, int height, int16_t pen) {
        for (PictureSurface* s : {&fast, &slow}) {
            s->resize(width, height);
            s->show();
            s->setDrawWidth(pen);
        }
        QApplication::processEvents();
    }
};

// One gauge through a run of cycles, against a fresh line-by-line drawing: the sweep
// resumes from pictures kept in earlier cycles, also after the gauge changes size, pen or
// scale. The loud sweep (2048 bins, 343 pixels high) lands most lines on pixels already
// covered.
TEST(Surfaces, GaugeBatchGivesThePixelsOfEveryLineDrawnInTurn) {
    ensureGuiApplication();
    struct Step {
        int width, height;
        int16_t pen;
        int32_t energy, energieMax;
    };
    constexpr int32_t kLoud = 2048 * 343;
    const Step steps[] = {
        {153, 89, 1, 703000, kLoud}, {153, 89, 1, 698500, kLoud},  {153, 89, 1, 705900, kLoud},
        {153, 89, 1, 20000, kLoud},  {153, 89, 1, 0, kLoud},       {153, 89, 1, 701000, 2048 * 300},
        {153, 89, 2, 45, 40000},     {153, 89, 2, 20000, 40000},   {40, 23, 3, 999, 1000},
        {40, 23, 6, 703000, kLoud},  {301, 161, 3, 701000, kLoud}, {301, 161, 1, 500, 1000},
        {120, 70, 3, 702000, kLoud}, {120, 70, 3, 699000, kLoud},
    };
    Pair p;
    int32_t fastPrevious = 0, slowPrevious = 0;
    for (const Step& s : steps) {
        SCOPED_TRACE(testing::Message() << s.width << "x" << s.height << " pen " << s.pen
                                        << " energy " << s.energy << " of " << s.energieMax);
        p.set(s.width, s.height, s.pen);
        test::LineByLineSurface slow(p.slow);
        drawEnergyGauge(p.fast, s.energy, s.energieMax, fastPrevious);
        drawEnergyGauge(slow, s.energy, s.energieMax, slowPrevious);
        EXPECT_EQ(fastPrevious, s.energy);
        EXPECT_TRUE(p.fast.image() == p.slow.image());
    }
}

}  // namespace
}  // namespace vellora
