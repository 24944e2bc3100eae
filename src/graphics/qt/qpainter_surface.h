#pragma once
// The drawing surface on a QPainter: raster images, SVG and PDF pictures, printer pages.
// The painter must be active for the surface's lifetime; the surface owns none of it.

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include "graphics/surface.h"

namespace gvm::graphics {

class QPainterSurface : public Surface {
public:
    // The chart font family; one that is there without a display server.
    static constexpr const char* kFontFamily = "DejaVu Sans";

    explicit QPainterSurface(QPainter& painter);

    void Line(Point a, Point b) override;
    void Polyline(std::span<const Point> points) override;
    void Polygon(std::span<const Point> points) override;
    void Ellipse(const Rect& bounds) override;
    void Rectangle(const Rect& r) override;
    void Text(Point topLeft, std::string_view text) override;
    TextSize TextExtent(std::string_view text) override;

    // Whether the device can draw in exclusive-or mode (raster images can, pictures cannot).
    bool CanXor() const { return canXor_; }

protected:
    void PenChanged() override;
    void BrushChanged() override;
    void FontChanged() override;
    void ModeChanged() override;
    void ClipChanged() override;

private:
    QPainter& p_;
    QFont font_;
    QFontMetrics metrics_;
    bool canXor_ = false;
};

}  // namespace gvm::graphics
