#pragma once
// A surface that records every primitive with the state it was drawn in, for tests. Text
// metrics are fixed: `charWidth` pixels per character (UTF-8 characters, not bytes) and
// `textHeight` pixels, whatever the font.

#include <string>
#include <vector>

#include "graphics/surface.h"

namespace gvm::graphics {

enum class PrimitiveKind { Line, Polyline, Polygon, Ellipse, Rectangle, Text };

struct Primitive {
    PrimitiveKind kind = PrimitiveKind::Line;
    std::vector<Point> points;  // Line: 2 points; Polyline/Polygon: all; else empty
    Rect rect;                  // Ellipse/Rectangle bounds; Text: the text's box
    std::string text;
    Pen pen;
    Brush brush;
    Font font;
    DrawMode mode = DrawMode::Copy;
};

class RecordingSurface : public Surface {
public:
    explicit RecordingSurface(int charWidth = 6, int textHeight = 12)
        : charWidth_(charWidth), textHeight_(textHeight) {}

    void Line(Point a, Point b) override;
    void Polyline(std::span<const Point> points) override;
    void Polygon(std::span<const Point> points) override;
    void Ellipse(const Rect& bounds) override;
    void Rectangle(const Rect& r) override;
    void Text(Point topLeft, std::string_view text) override;
    TextSize TextExtent(std::string_view text) override;

    const std::vector<Primitive>& primitives() const { return items_; }
    void Clear() { items_.clear(); }

    // The recorded primitives of one kind, and the texts that contain `part`.
    std::vector<const Primitive*> OfKind(PrimitiveKind kind) const;
    std::vector<const Primitive*> TextsContaining(std::string_view part) const;

private:
    Primitive Make(PrimitiveKind kind) const;

    int charWidth_, textHeight_;
    std::vector<Primitive> items_;
};

}  // namespace gvm::graphics
