#include "graphics/qt/qpainter_surface.h"

#include <algorithm>

#include <QPaintEngine>
#include <QPoint>
#include <QRect>
#include <QString>

namespace gvm::graphics {

namespace {

QColor ToQColor(Color c) {
    return QColor(static_cast<int>((c >> 16) & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>(c & 0xFF));
}

QString ToQString(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// Point and QPoint share their layout (two ints), so spans pass without copying.
const QPoint* AsQPoints(std::span<const Point> points) {
    static_assert(sizeof(Point) == sizeof(QPoint) && alignof(Point) == alignof(QPoint));
    return reinterpret_cast<const QPoint*>(points.data());
}

// A stroked QRect covers one pixel more than its size in each direction.
QRect ToQRect(const Rect& r) {
    return QRect(r.left, r.top, r.Width() - 1, r.Height() - 1);
}

}  // namespace

QPainterSurface::QPainterSurface(QPainter& painter) : p_(painter), font_(kFontFamily), metrics_(font_) {
    const QPaintEngine* engine = p_.paintEngine();
    canXor_ = engine != nullptr && engine->hasFeature(QPaintEngine::RasterOpModes);
    p_.setRenderHint(QPainter::TextAntialiasing, true);
    PenChanged();
    BrushChanged();
    FontChanged();
}

void QPainterSurface::PenChanged() {
    const Pen& pen = this->pen();
    if (pen.style == PenStyle::None) {
        p_.setPen(Qt::NoPen);
        return;
    }
    QPen qp(ToQColor(pen.color));
    qp.setWidth(pen.width <= 1 ? 0 : pen.width);  // 0: one device pixel on every device
    qp.setStyle(pen.style == PenStyle::Dot ? Qt::DotLine : Qt::SolidLine);
    qp.setCapStyle(Qt::FlatCap);
    qp.setJoinStyle(Qt::MiterJoin);
    p_.setPen(qp);
}

void QPainterSurface::BrushChanged() {
    const Brush& b = brush();
    p_.setBrush(b.style == BrushStyle::None ? QBrush(Qt::NoBrush) : QBrush(ToQColor(b.color)));
}

void QPainterSurface::FontChanged() {
    font_.setPixelSize(std::max(1, font().size));
    font_.setBold(font().bold);
    p_.setFont(font_);
    metrics_ = QFontMetrics(font_, p_.device());
}

void QPainterSurface::ModeChanged() {
    if (!canXor_) return;
    p_.setCompositionMode(drawMode() == DrawMode::Xor ? QPainter::RasterOp_SourceXorDestination
                                                      : QPainter::CompositionMode_SourceOver);
}

void QPainterSurface::ClipChanged() {
    if (clip())
        p_.setClipRect(QRect(clip()->left, clip()->top, clip()->Width(), clip()->Height()));
    else
        p_.setClipping(false);
}

void QPainterSurface::Line(Point a, Point b) {
    p_.drawLine(a.x, a.y, b.x, b.y);
}

void QPainterSurface::Polyline(std::span<const Point> points) {
    p_.drawPolyline(AsQPoints(points), static_cast<int>(points.size()));
}

void QPainterSurface::Polygon(std::span<const Point> points) {
    p_.drawPolygon(AsQPoints(points), static_cast<int>(points.size()));
}

void QPainterSurface::Ellipse(const Rect& bounds) {
    p_.drawEllipse(ToQRect(bounds));
}

void QPainterSurface::Rectangle(const Rect& r) {
    if (pen().style == PenStyle::None) {
        if (brush().style != BrushStyle::None) p_.fillRect(QRect(r.left, r.top, r.Width(), r.Height()), p_.brush());
        return;
    }
    p_.drawRect(ToQRect(r));
}

void QPainterSurface::Text(Point topLeft, std::string_view text) {
    const QPen saved = p_.pen();
    p_.setPen(ToQColor(font().color));
    p_.drawText(QPoint(topLeft.x, topLeft.y + metrics_.ascent()), ToQString(text));
    p_.setPen(saved);
}

TextSize QPainterSurface::TextExtent(std::string_view text) {
    return {metrics_.horizontalAdvance(ToQString(text)), metrics_.height()};
}

}  // namespace gvm::graphics
