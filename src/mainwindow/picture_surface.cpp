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
// Far beyond any screen, near enough to zero that pixel arithmetic stays in int.
constexpr double kCoordinateLimit = 1.0e6;

QColor fromColourValue(int32_t c) { return QColor(c & 0xff, (c >> 8) & 0xff, (c >> 16) & 0xff); }

int pixelIndex(double v) {
    return int(std::floor(std::clamp(v, -kCoordinateLimit, kCoordinateLimit)));
}
int pixelEdge(double v) {
    return int(std::lround(std::clamp(v, -kCoordinateLimit, kCoordinateLimit)));
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

void PictureSurface::setDrawWidth(int16_t w) { pen_ = std::max<int16_t>(w, 1); }

QPointF PictureSurface::toPixels(QPointF logical) const {
    if (scale_ == Scale::Twips) return logical / twipsPerPixel();
    return {logical.x() * width() / kSpectrumUnits, logical.y()};
}

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

// A point lies in the pixel that contains it; a pen w pixels wide covers w whole
// pixels across the line, the point's own pixel and w / 2 before it. Along the line
// the ends round to pixel edges, so a line from y = H to y = H - h covers h rows.
void PictureSurface::line(float x1, float y1, float x2, float y2, int32_t colour) {
    if (image_.isNull()) return;
    if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2))
        return;
    const QPointF a = toPixels({x1, y1});
    const QPointF b = toPixels({x2, y2});
    const QColor c = fromColourValue(colour);
    const int w = pen_;
    QPainter& p = painter();
    if (a.x() == b.x()) {
        const int top = pixelEdge(std::min(a.y(), b.y()));
        const int bottom = pixelEdge(std::max(a.y(), b.y()));
        // Bars are pen-width units apart: on a spectrum wider than 1024 pixels a
        // pixel-wide bar would leave empty columns between neighbours.
        const int bar = scale_ == Scale::Spectrum && width() > kSpectrumUnits
                            ? std::max(w, int(std::ceil(w * width() / kSpectrumUnits)))
                            : w;
        if (bottom > top) p.fillRect(pixelIndex(a.x()) - bar / 2, top, bar, bottom - top, c);
    } else if (a.y() == b.y()) {
        const int left = pixelEdge(std::min(a.x(), b.x()));
        const int right = pixelEdge(std::max(a.x(), b.x()));
        if (right > left) p.fillRect(left, pixelIndex(a.y()) - w / 2, right - left, w, c);
    } else {
        const auto clamp = [](QPointF q) {
            return QPointF(std::clamp(q.x(), -kCoordinateLimit, kCoordinateLimit),
                           std::clamp(q.y(), -kCoordinateLimit, kCoordinateLimit));
        };
        p.setPen(QPen(c, w, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(QLineF(clamp(a), clamp(b)));
    }
    scheduleUpdate();
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
