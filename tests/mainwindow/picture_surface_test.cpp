// SPDX-License-Identifier: GPL-3.0-or-later
// The surface draws a batch of lines with the pixels of drawing each line on its own.
#include "mainwindow/picture_surface.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <vector>

#include "mainwindow/frequency_scale_overlay.h"
#include "measure/energy_gauge.h"
#include "measure/noise_reference.h"
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

// Straight lines cover whole pixels: a bar at the pixel containing its x, pen-wide with
// pen / 2 columns before it, from the rounded top to the rounded bottom; a level line
// between its rounded ends, pen-wide rows likewise. What lies beyond an edge is cut off,
// and a line wholly beyond it leaves the picture as it was. Spectrum units are 1024 across
// 512 pixels here, so pixel x is unit x / 2.
TEST(Surfaces, StraightLinesCoverWholePixelsAndNothingBeyondTheEdges) {
    ensureGuiApplication();
    PictureSurface s(PictureSurface::Scale::Spectrum, QPalette::Base);
    s.resize(512, 100);
    s.show();
    QApplication::processEvents();
    s.clear();
    constexpr int32_t kRed = 255, kGreen = 255 << 8, kBlue = 255 << 16;
    s.setDrawWidth(1);
    s.line(100, 100, 100, 40.4f, kRed);  // column 50, rows 40 .. 99
    s.line(2047, 100, 2047, 0, kBlue);   // pixel 1023: beyond the right edge
    s.setDrawWidth(3);
    const SurfaceLine batch[] = {
        {201, 90, 201, 50, kGreen},        // pixel 100.5: columns 99 .. 101, rows 50 .. 89
        {-2, 100, -2, 80, kRed},           // columns -2 .. 0: only 0 shows, rows 80 .. 99
        {1023, 20, 1023, 0, kBlue},        // columns 510 .. 512: 510 and 511, rows 0 .. 19
        {0, 10.5f, 1024, 10.5f, kGreen},   // rows 9 .. 11 across, over the blue bar
        {0, 101.5f, 1024, 101.5f, kRed}};  // rows 100 .. 102: below the picture
    s.lines(batch);

    QImage expected(512, 100, QImage::Format_RGB32);
    expected.fill(s.palette().color(QPalette::Base));
    const auto fill = [&](int left, int right, int top, int bottom, QColor c) {
        for (int y = top; y <= bottom; ++y)
            for (int x = left; x <= right; ++x) expected.setPixelColor(x, y, c);
    };
    fill(50, 50, 40, 99, Qt::red);
    fill(99, 101, 50, 89, Qt::green);
    fill(0, 0, 80, 99, Qt::red);
    fill(510, 511, 0, 19, Qt::blue);
    fill(0, 511, 9, 11, Qt::green);
    EXPECT_TRUE(s.image().convertToFormat(QImage::Format_RGB32) == expected);
}

// A noise line placed low enough to lie in the frequency scale's band shows there in its
// own red, not paled by the band; one above the band is left as the spectrum drew it.
TEST(Surfaces, TheFrequencyScaleNeverHidesTheNoiseLine) {
    ensureGuiApplication();
    PictureSurface spectrum(PictureSurface::Scale::Spectrum, QPalette::Base);
    spectrum.resize(400, 300);
    FrequencyScaleOverlay scale(&spectrum);
    scale.setScale(5.4f, 512, 2);
    NoiseState noise{true, false, 0};
    scale.setNoiseLine([&]() -> std::optional<int> { return noise.NiveauBruit; });
    spectrum.show();
    QApplication::processEvents();
    ASSERT_GT(scale.y(), 250);
    for (const int y : {scale.y() + 2, scale.y() + scale.height() - 2, scale.y() - 10}) {
        noise.NiveauBruit = y;
        spectrum.clear();
        drawNoiseLine(spectrum, noise);
        spectrum.refresh();
        const QImage seen = spectrum.grab().toImage();
        for (const int x : {3, 150, 397})
            EXPECT_EQ(seen.pixelColor(x, y), QColor(255, 0, 0)) << x << ", " << y;
    }
}

}  // namespace
}  // namespace vellora
