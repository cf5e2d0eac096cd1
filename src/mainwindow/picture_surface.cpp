// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/picture_surface.h"

#include "common/twips.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <algorithm>
#include <cmath>

namespace vellora {

namespace {

constexpr double kSpectrumUnits = 1024.0;
// Pictures kept at once: the gauge keeps up to 64 per scale, and older ones make way.
constexpr size_t kKeptPictures = 72;
// Far beyond any screen, near enough to zero that pixel arithmetic stays in int.
constexpr double kCoordinateLimit = 1.0e6;

QColor fromColourValue(int32_t c) { return QColor(c & 0xff, (c >> 8) & 0xff, (c >> 16) & 0xff); }

int pixelIndex(double v) {
    return int(std::floor(std::clamp(v, -kCoordinateLimit, kCoordinateLimit)));
}
int pixelEdge(double v) {
    return int(std::lround(std::clamp(v, -kCoordinateLimit, kCoordinateLimit)));
}

int sign(double v) { return (v > 0) - (v < 0); }

QPointF clampToLimit(QPointF q) {
    return QPointF(std::clamp(q.x(), -kCoordinateLimit, kCoordinateLimit),
                   std::clamp(q.y(), -kCoordinateLimit, kCoordinateLimit));
}

int shiftBits(Qt::KeyboardModifiers m) {
    return (m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0) |
           (m & Qt::AltModifier ? 4 : 0);
}

int buttonBits(Qt::MouseButtons b) {
    return (b & Qt::LeftButton ? 1 : 0) | (b & Qt::RightButton ? 2 : 0) |
           (b & Qt::MiddleButton ? 4 : 0);
}

}  // namespace

PictureSurface::PictureSurface(Scale scale, QPalette::ColorRole background, QWidget* parent)
    : QWidget(parent), scale_(scale), background_(background) {
    // The image covers the whole widget: nothing behind it needs painting first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

PictureSurface::~PictureSurface() { endPainting(); }

double PictureSurface::twipsPerPixel() const { return twipsPerPixelOf(*this); }

float PictureSurface::scaleWidth() const {
    return scale_ == Scale::Spectrum ? float(kSpectrumUnits) : float(width() * twipsPerPixel());
}

float PictureSurface::scaleHeight() const {
    return scale_ == Scale::Spectrum ? float(height()) : float(height() * twipsPerPixel());
}

void PictureSurface::setDrawWidth(int16_t w) {
    const int16_t pen = std::max<int16_t>(w, 1);
    if (pen != pen_) forgetPictures();
    pen_ = pen;
}

QPointF PictureSurface::toPixels(QPointF logical) const { return mapping().toPixels(logical); }

QPointF PictureSurface::toLogical(QPointF pixel) const {
    if (scale_ == Scale::Twips) return pixel * twipsPerPixel();
    const double x = width() > 0 ? pixel.x() * kSpectrumUnits / width() : 0.0;
    return {x, pixel.y()};
}

QColor PictureSurface::backgroundColour() const { return palette().color(background_); }

QPainter& PictureSurface::painter() {
    if (!painter_) {
        painter_ = std::make_unique<QPainter>(&image_);
        painter_->setRenderHint(QPainter::Antialiasing, false);
    }
    return *painter_;
}

void PictureSurface::endPainting() { painter_.reset(); }

void PictureSurface::scheduleUpdate() {
    // As with any window, what was drawn shows when the event loop next paints.
    if (!updatePending_) {
        updatePending_ = true;
        update();
    }
}

void PictureSurface::clear() {
    endPainting();
    image_.fill(backgroundColour());
    scheduleUpdate();
}

QPointF PictureSurface::Mapping::toPixels(QPointF logical) const {
    if (twips) return logical / twipsPerPixel;
    return {logical.x() * width / kSpectrumUnits, logical.y()};
}

PictureSurface::Mapping PictureSurface::mapping() const {
    return {scale_ == Scale::Twips, scale_ == Scale::Twips ? twipsPerPixel() : 1.0, width()};
}

// A rectangle wholly outside the image is not drawn at all: at 2048 bins half the bars
// lie beyond the right edge, and clipping them away costs as much as drawing them. On an
// image of one pixel per unit the pixels are set directly, as QPainter would set them
// (opaque colour, no blending, no smoothing), without its cost per call: a redraw fills
// a couple of thousand thin bars.
void PictureSurface::fillVisible(QPainter& p, const QRect& r, const QColor& c) {
    const QSizeF size = image_.deviceIndependentSize();
    if (r.left() >= size.width() || r.top() >= size.height() || r.right() < 0 || r.bottom() < 0)
        return;
    if (image_.devicePixelRatio() != 1.0 || image_.format() != QImage::Format_RGB32) {
        p.fillRect(r, c);
        return;
    }
    const QRect inside = r & image_.rect();
    const QRgb pixel = c.rgb();
    const qsizetype stride = image_.bytesPerLine();
    uchar* row = image_.bits() + stride * inside.top();
    for (int y = inside.top(); y <= inside.bottom(); ++y, row += stride) {
        QRgb* line = reinterpret_cast<QRgb*>(row);
        std::fill(line + inside.left(), line + inside.right() + 1, pixel);
    }
}

// A point lies in the pixel that contains it; a pen w pixels wide covers w whole
// pixels across the line, the point's own pixel and w / 2 before it. Along the line
// the ends round to pixel edges, so a line from y = H to y = H - h covers h rows.
// Returns false, drawing nothing, for a slanting line, which QPainter draws.
bool PictureSurface::fillStraightLine(QPainter& p, QPointF a, QPointF b, const QColor& c) {
    const int w = pen_;
    if (a.x() == b.x()) {
        const int top = pixelEdge(std::min(a.y(), b.y()));
        const int bottom = pixelEdge(std::max(a.y(), b.y()));
        // Bars are pen-width units apart: on a spectrum wider than 1024 pixels a
        // pixel-wide bar would leave empty columns between neighbours.
        const int bar = scale_ == Scale::Spectrum && width() > kSpectrumUnits
                            ? std::max(w, int(std::ceil(w * width() / kSpectrumUnits)))
                            : w;
        if (bottom > top)
            fillVisible(p, QRect(pixelIndex(a.x()) - bar / 2, top, bar, bottom - top), c);
        return true;
    }
    if (a.y() == b.y()) {
        const int left = pixelEdge(std::min(a.x(), b.x()));
        const int right = pixelEdge(std::max(a.x(), b.x()));
        if (right > left)
            fillVisible(p, QRect(left, pixelIndex(a.y()) - w / 2, right - left, w), c);
        return true;
    }
    return false;
}

QPen PictureSurface::slantPen(int32_t colour) const {
    return QPen(fromColourValue(colour), pen_, Qt::SolidLine, Qt::FlatCap);
}

void PictureSurface::line(float x1, float y1, float x2, float y2, int32_t colour) {
    const SurfaceLine l{x1, y1, x2, y2, colour};
    lines({&l, 1});
}

// Slanting lines of one colour go to QPainter together: one pen and one call for a run
// rather than per line. Lines of one colour may be drawn in any order, with one
// exception: QPainter's one-pixel lines, drawn in one call, lengthen a line by half a
// pixel where it runs back against the direction of the line before. A run therefore
// also ends where the lines turn back, left-right or up-down, and gives exactly the
// pixels of drawing each line on its own.
void PictureSurface::lines(std::span<const SurfaceLine> batch) {
    if (image_.isNull() || batch.empty()) return;
    const Mapping m = mapping();
    QPainter& p = painter();
    slantRun_.clear();
    int32_t runColour = 0;
    int runDx = 0, runDy = 0;  // signs the run's lines share; 0 while none is known
    const auto flush = [&] {
        runDx = runDy = 0;
        if (slantRun_.empty()) return;
        p.setPen(slantPen(runColour));
        p.drawLines(slantRun_.data(), int(slantRun_.size()));
        slantRun_.clear();
    };
    for (const SurfaceLine& l : batch) {
        if (!std::isfinite(l.x1) || !std::isfinite(l.y1) || !std::isfinite(l.x2) ||
            !std::isfinite(l.y2))
            continue;
        const QPointF a = m.toPixels({l.x1, l.y1});
        const QPointF b = m.toPixels({l.x2, l.y2});
        if (l.colour != runColour) flush();
        runColour = l.colour;
        if (fillStraightLine(p, a, b, fromColourValue(l.colour))) continue;
        const int dx = sign(b.x() - a.x()), dy = sign(b.y() - a.y());
        if (dx * runDx < 0 || dy * runDy < 0) flush();
        if (dx) runDx = dx;
        if (dy) runDy = dy;
        slantRun_.emplace_back(clampToLimit(a), clampToLimit(b));
    }
    flush();
    scheduleUpdate();
}

void PictureSurface::keepPicture(const PictureKey& key) {
    endPainting();
    const QRgb background = backgroundColour().rgb();
    if (background != keptBackground_) forgetPictures();
    keptBackground_ = background;
    if (kept_.insert_or_assign(key, image_).second) keptOrder_.push_back(key);
    if (keptOrder_.size() > kKeptPictures) {
        kept_.erase(keptOrder_.front());
        keptOrder_.pop_front();
    }
}

bool PictureSurface::restorePicture(const PictureKey& key) {
    if (backgroundColour().rgb() != keptBackground_) forgetPictures();
    const auto it = kept_.find(key);
    if (it == kept_.end()) return false;
    if (it->second.size() != image_.size() ||
        it->second.devicePixelRatio() != image_.devicePixelRatio()) {
        forgetPictures();
        return false;
    }
    endPainting();
    image_ = it->second;  // shared until the next drawing copies it
    scheduleUpdate();
    return true;
}

void PictureSurface::forgetPictures() {
    kept_.clear();
    keptOrder_.clear();
}

void PictureSurface::refresh() {
    endPainting();
    updatePending_ = false;
    repaint();
}

const QImage& PictureSurface::image() {
    endPainting();
    return image_;
}

void PictureSurface::paintEvent(QPaintEvent*) {
    endPainting();
    updatePending_ = false;
    QPainter p(this);
    p.drawImage(QPointF(0, 0), image_);
}

// The drawing is rescaled to the new size: a bar at 512 stays in the middle, and the
// next cycle redraws at the new size anyway.
void PictureSurface::resizeEvent(QResizeEvent*) {
    endPainting();
    forgetPictures();
    const double dpr = devicePixelRatioF();
    QImage next(std::max(1, int(std::lround(width() * dpr))),
                std::max(1, int(std::lround(height() * dpr))), QImage::Format_RGB32);
    next.setDevicePixelRatio(dpr);
    next.fill(backgroundColour());
    if (!image_.isNull()) {
        QPainter p(&next);
        p.drawImage(QRectF(0, 0, width(), height()), image_);
    }
    image_ = std::move(next);
    scheduleUpdate();
}

void PictureSurface::mouseMoveEvent(QMouseEvent* event) {
    const QPointF at = toLogical(event->position());
    Q_EMIT mouseMoved(buttonBits(event->buttons()), shiftBits(event->modifiers()), float(at.x()),
                      float(at.y()));
}

void PictureSurface::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) pressed_ = true;
}

void PictureSurface::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const bool click = pressed_ && rect().contains(event->position().toPoint());
    pressed_ = false;
    if (click) Q_EMIT clicked();
}

// The second press of a double-click is no new click: the pair gives one click and
// one double-click.
void PictureSurface::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) Q_EMIT doubleClicked();
}

}  // namespace vellora
