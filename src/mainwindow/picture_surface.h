// SPDX-License-Identifier: GPL-3.0-or-later
// A drawing surface on screen: lines and clears go into a persistent image, which
// the widget shows whenever it is painted (after refresh(), when uncovered, when
// shown again). Nothing is computed while painting.
//
// Units: the spectrum scale is 1024 units across whatever the width, and pixels
// down with 0 at the top; the twips scale is the surface's inner size in twips
// (15 twips per pixel at 96 dots per inch). Pixels are device-independent
// throughout: the pen width, the spectrum's vertical unit and the mouse position.
#pragma once

#include <QImage>
#include <QLineF>
#include <QPalette>
#include <QPen>
#include <QWidget>
#include <deque>
#include <map>
#include <memory>
#include <vector>

#include "measure/drawing_surface.h"

class QPainter;

namespace vellora {

class PictureSurface : public QWidget, public DrawingSurface {
    Q_OBJECT

  public:
    enum class Scale { Spectrum, Twips };

    // background: the palette role the surface is cleared to.
    PictureSurface(Scale scale, QPalette::ColorRole background, QWidget* parent = nullptr);
    ~PictureSurface() override;

    float scaleWidth() const override;
    float scaleHeight() const override;
    int16_t drawWidth() const override { return pen_; }
    void setDrawWidth(int16_t w) override;
    void clear() override;
    void line(float x1, float y1, float x2, float y2, int32_t colour) override;
    void lines(std::span<const SurfaceLine> batch) override;
    void keepPicture(const PictureKey& key) override;
    bool restorePicture(const PictureKey& key) override;

    // Shows what has been drawn now, without waiting for the event loop.
    void refresh();

    // Logical coordinates of a point in widget pixels, and back.
    QPointF toLogical(QPointF pixel) const;
    QPointF toPixels(QPointF logical) const;

    // The image as it stands (flushes pending drawing); for tests and the window.
    const QImage& image();

    // Twips per device-independent pixel on this surface's screen.
    double twipsPerPixel() const;

  Q_SIGNALS:
    // button and shift as bit sets: 1 left, 2 right, 4 middle; 1 Shift, 2 Ctrl, 4 Alt.
    void mouseMoved(int button, int shift, float x, float y);
    void clicked();
    void doubleClicked();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    // Logical units to widget pixels, worked out once for a batch of lines.
    struct Mapping {
        bool twips;
        double twipsPerPixel;
        int width;
        QPointF toPixels(QPointF logical) const;
    };
    Mapping mapping() const;
    bool fillStraightLine(QPainter& p, QPointF a, QPointF b, const QColor& c);
    void fillVisible(QPainter& p, const QRect& r, const QColor& c);
    QPen slantPen(int32_t colour) const;
    QPainter& painter();
    void endPainting();
    void forgetPictures();
    void scheduleUpdate();
    QColor backgroundColour() const;

    Scale scale_;
    QPalette::ColorRole background_;
    QImage image_;
    // Kept open between drawing calls: opening a painter per line costs more than the line.
    std::unique_ptr<QPainter> painter_;
    std::vector<QLineF> slantRun_;  // scratch for lines(), kept to spare an allocation
    // Kept pictures, oldest first, all of the present size, pen and background.
    std::map<PictureKey, QImage> kept_;
    std::deque<PictureKey> keptOrder_;
    QRgb keptBackground_ = 0;
    int16_t pen_ = 1;
    bool updatePending_ = false;
    bool pressed_ = false;
};

}  // namespace vellora
