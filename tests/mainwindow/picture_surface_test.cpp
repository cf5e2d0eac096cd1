// The surface draws a batch of lines with the pixels of drawing each line on its own.
#include "mainwindow/picture_surface.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <random>
#include <vector>

#include "common/numeric.h"
#include "measure/energy_gauge.h"
#include "support/line_by_line_surface.h"
#include "support/qt_application.h"

namespace vellora {
namespace {

using OneByOne = test::LineByLineSurface;

class Surfaces : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { ensureGuiApplication(); }

    // Two gauges of one size and pen: `fast` takes batches, `slow` one line at a time.
    void make(int width, int height, int16_t pen) {
        for (auto* s : {&fast_, &slow_}) {
            *s = std::make_unique<PictureSurface>(PictureSurface::Scale::Twips,
                                                  QPalette::ToolTipBase);
            (*s)->resize(width, height);
            (*s)->show();
            (*s)->setDrawWidth(pen);
        }
        QApplication::processEvents();
    }

    static int differingPixels(const QImage& a, const QImage& b) {
        if (a.size() != b.size()) return -1;
        int n = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x) n += a.pixel(x, y) != b.pixel(x, y);
        return n;
    }

    static int pixelsUnlike(const QImage& a, QRgb background) {
        int n = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x) n += a.pixel(x, y) != background;
        return n;
    }

    std::unique_ptr<PictureSurface> fast_, slow_;
};

struct GaugeCase {
    int32_t energy, energieMax, previous;
    int minLines;  // lines of the sweep and needle, at least: the case is what it claims
};

// Energies from nothing to the loud-noise sweep of the whole window (2048 bins, 343
// pixels high, nearly every bar at the top), whose lines mostly land on pixels the
// lines before them already covered.
const GaugeCase kGaugeCases[] = {
    {0, 40000, 0, 2},
    {45, 40000, 30000, 4},
    {20000, 40000, 45, 1002},
    {999, 1000, 500, 51},
    {703000, 2048 * 343, 12000, 35151},
};

TEST_F(Surfaces, GaugeBatchGivesThePixelsOfEveryLineDrawnInTurn) {
    struct Size {
        int width, height;
    };
    // The window's gauge (153 x 89), a small one and a large one with odd sides.
    const Size sizes[] = {{153, 89}, {40, 23}, {301, 161}};
    const int16_t pens[] = {1, 2, 3, 6};
    for (const Size& size : sizes) {
        for (int16_t pen : pens) {
            make(size.width, size.height, pen);
            const QRgb background = fast_->image().pixel(0, 0);
            for (const GaugeCase& c : kGaugeCases) {
                SCOPED_TRACE(testing::Message()
                             << size.width << "x" << size.height << " pen " << pen << " energy "
                             << c.energy << " of " << c.energieMax);
                int32_t fastPrevious = c.previous, slowPrevious = c.previous;
                OneByOne slow(*slow_);
                drawEnergyGauge(*fast_, c.energy, c.energieMax, fastPrevious);
                drawEnergyGauge(slow, c.energy, c.energieMax, slowPrevious);
                ASSERT_GE(slow.lineCalls, c.minLines);
                const QImage& a = fast_->image();
                const QImage& b = slow_->image();
                EXPECT_EQ(differingPixels(a, b), 0);
                if (c.energy > 0) {
                    EXPECT_GT(pixelsUnlike(a, background), size.width / 2);
                }
                EXPECT_EQ(fastPrevious, c.energy);
            }
        }
    }
}

// One gauge through a run of cycles: the sweep resumes from pictures kept in earlier
// cycles, which must give what a fresh line-by-line drawing gives, also after the
// gauge changes size, pen or scale between cycles.
TEST_F(Surfaces, GaugeResumedFromKeptPicturesGivesThePixelsOfEveryLineDrawnInTurn) {
    struct Step {
        int width, height;
        int16_t pen;
        int32_t energy, energieMax;
    };
    constexpr int32_t kLoud = 2048 * 343;
    const Step steps[] = {
        {153, 89, 1, 703000, kLoud},  // nothing kept yet: the whole sweep
        {153, 89, 1, 698500, kLoud},  // less: from a checkpoint below
        {153, 89, 1, 705900, kLoud},  // more: past every checkpoint kept so far
        {153, 89, 1, 20000, kLoud},       {153, 89, 1, 0, kLoud},
        {153, 89, 1, 701000, 2048 * 300},  // another scale
        {153, 89, 1, 701000, kLoud},       // back to the first
        {153, 89, 3, 701000, kLoud},       // another pen
        {120, 70, 3, 702000, kLoud},       // another size
        {120, 70, 3, 699000, kLoud},
    };
    make(steps[0].width, steps[0].height, steps[0].pen);
    int32_t fastPrevious = 0, slowPrevious = 0;
    for (const Step& step : steps) {
        SCOPED_TRACE(testing::Message() << step.width << "x" << step.height << " pen " << step.pen
                                        << " energy " << step.energy << " of " << step.energieMax);
        for (auto* s : {&fast_, &slow_}) {
            (*s)->resize(step.width, step.height);
            (*s)->setDrawWidth(step.pen);
        }
        QApplication::processEvents();
        OneByOne slow(*slow_);
        drawEnergyGauge(*fast_, step.energy, step.energieMax, fastPrevious);
        drawEnergyGauge(slow, step.energy, step.energieMax, slowPrevious);
        EXPECT_EQ(differingPixels(fast_->image(), slow_->image()), 0);
    }
}

// Lines of several colours crossing each other, slanting, upright and level, in
// batches: where they overlap, the later colour must win exactly as when drawn in turn.
TEST_F(Surfaces, MixedBatchKeepsTheOrderOfColours) {
    std::mt19937 random(21);
    std::uniform_real_distribution<float> x(-300, 2600), y(-20, 1400);
    std::uniform_int_distribution<int> pick(0, 2), shape(0, 3);
    const int32_t colours[] = {rgb(255, 0, 0), rgb(0, 200, 0), rgb(0, 0, 255)};
    for (int16_t pen : {1, 4}) {
        make(160, 90, pen);
        std::vector<SurfaceLine> batch;
        for (int i = 0; i < 3000; ++i) {
            SurfaceLine l{x(random), y(random), x(random), y(random), colours[pick(random)]};
            if (shape(random) == 0) l.x2 = l.x1;  // upright
            if (shape(random) == 1) l.y2 = l.y1;  // level
            // Runs of one colour, as the gauge's sweep has, broken now and then.
            if (i > 0 && shape(random) != 0) l.colour = batch.back().colour;
            batch.push_back(l);
        }
        fast_->clear();
        slow_->clear();
        fast_->lines(batch);
        OneByOne slow(*slow_);
        slow.lines(batch);
        SCOPED_TRACE(testing::Message() << "pen " << pen);
        EXPECT_EQ(slow.lineCalls, 3000);
        EXPECT_EQ(differingPixels(fast_->image(), slow_->image()), 0);
    }
}

}  // namespace
}  // namespace vellora
