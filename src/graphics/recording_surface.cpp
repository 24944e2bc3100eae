#include "graphics/recording_surface.h"

namespace gvm::graphics {

namespace {

int Utf8Length(std::string_view s) {
    int n = 0;
    for (const char c : s)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
    return n;
}

}  // namespace

Primitive RecordingSurface::Make(PrimitiveKind kind) const {
    Primitive p;
    p.kind = kind;
    p.pen = pen();
    p.brush = brush();
    p.font = font();
    p.mode = drawMode();
    return p;
}

void RecordingSurface::Line(Point a, Point b) {
    Primitive p = Make(PrimitiveKind::Line);
    p.points = {a, b};
    items_.push_back(std::move(p));
}

void RecordingSurface::Polyline(std::span<const Point> points) {
    Primitive p = Make(PrimitiveKind::Polyline);
    p.points.assign(points.begin(), points.end());
    items_.push_back(std::move(p));
}

void RecordingSurface::Polygon(std::span<const Point> points) {
    Primitive p = Make(PrimitiveKind::Polygon);
    p.points.assign(points.begin(), points.end());
    items_.push_back(std::move(p));
}

void RecordingSurface::Ellipse(const Rect& bounds) {
    Primitive p = Make(PrimitiveKind::Ellipse);
    p.rect = bounds;
    items_.push_back(std::move(p));
}

void RecordingSurface::Rectangle(const Rect& r) {
    Primitive p = Make(PrimitiveKind::Rectangle);
    p.rect = r;
    items_.push_back(std::move(p));
}

void RecordingSurface::Text(Point topLeft, std::string_view text) {
    Primitive p = Make(PrimitiveKind::Text);
    const TextSize size = TextExtent(text);
    p.rect = {topLeft.x, topLeft.y, topLeft.x + size.width, topLeft.y + size.height};
    p.text = std::string(text);
    items_.push_back(std::move(p));
}

TextSize RecordingSurface::TextExtent(std::string_view text) {
    return {Utf8Length(text) * charWidth_, textHeight_};
}

std::vector<const Primitive*> RecordingSurface::OfKind(PrimitiveKind kind) const {
    std::vector<const Primitive*> out;
    for (const Primitive& p : items_)
        if (p.kind == kind) out.push_back(&p);
    return out;
}

std::vector<const Primitive*> RecordingSurface::TextsContaining(std::string_view part) const {
    std::vector<const Primitive*> out;
    for (const Primitive& p : items_)
        if (p.kind == PrimitiveKind::Text && p.text.find(part) != std::string::npos) out.push_back(&p);
    return out;
}

}  // namespace gvm::graphics
