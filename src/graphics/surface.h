#pragma once
// The drawing surface the chart engine paints on: a raster image, a vector picture, a
// printer page or, in tests, a recorder. Device coordinates are pixels with y growing
// downwards. The current pen, brush, font, drawing mode and clipping rectangle are state of
// the surface; every primitive uses the state in force when it is issued.

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace gvm::graphics {

using Color = std::uint32_t;  // 0xRRGGBB

struct Point {
    int x = 0, y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// left/top inclusive, right/bottom exclusive.
struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

enum class PenStyle : std::uint8_t { Solid, Dot, None };
enum class BrushStyle : std::uint8_t { Solid, None };
enum class DrawMode : std::uint8_t { Copy, Xor };

struct Pen {
    Color color = 0;
    int width = 1;  // [px]
    PenStyle style = PenStyle::Solid;
    friend bool operator==(const Pen&, const Pen&) = default;
};

struct Brush {
    Color color = 0xFFFFFF;
    BrushStyle style = BrushStyle::Solid;
    friend bool operator==(const Brush&, const Brush&) = default;
};

// Text colour, pixel size and weight.
struct Font {
    Color color = 0;
    int size = 12;  // [px]
    bool bold = false;
    friend bool operator==(const Font&, const Font&) = default;
};

struct TextSize {
    int width = 0, height = 0;  // [px]
};

class Surface {
public:
    virtual ~Surface() = default;

    void SetPen(const Pen& p) {
        pen_ = p;
        PenChanged();
    }
    void SetBrush(const Brush& b) {
        brush_ = b;
        BrushChanged();
    }
    void SetFont(const Font& f) {
        font_ = f;
        FontChanged();
    }
    // Exclusive-or drawing: drawing the same thing twice restores what was there. Surfaces that
    // cannot do it draw normally.
    void SetDrawMode(DrawMode m) {
        mode_ = m;
        ModeChanged();
    }
    // Nothing outside `clip` is touched while it is set.
    void SetClip(std::optional<Rect> clip) {
        clip_ = clip;
        ClipChanged();
    }
    const Pen& pen() const { return pen_; }
    const Brush& brush() const { return brush_; }
    const Font& font() const { return font_; }
    DrawMode drawMode() const { return mode_; }
    const std::optional<Rect>& clip() const { return clip_; }

    virtual void Line(Point a, Point b) = 0;
    virtual void Polyline(std::span<const Point> points) = 0;
    // Filled with the brush, outlined with the pen.
    virtual void Polygon(std::span<const Point> points) = 0;
    virtual void Ellipse(const Rect& bounds) = 0;
    virtual void Rectangle(const Rect& r) = 0;
    // Text in the font's colour with its top left corner at `topLeft`; the ground stays.
    virtual void Text(Point topLeft, std::string_view text) = 0;
    // Width and height of a text in the current font.
    virtual TextSize TextExtent(std::string_view text) = 0;

protected:
    virtual void PenChanged() {}
    virtual void BrushChanged() {}
    virtual void FontChanged() {}
    virtual void ModeChanged() {}
    virtual void ClipChanged() {}

private:
    Pen pen_;
    Brush brush_;
    Font font_;
    DrawMode mode_ = DrawMode::Copy;
    std::optional<Rect> clip_;
};

// Puts pen, brush, font, drawing mode and clipping back when it goes out of scope.
class SurfaceStateGuard {
public:
    explicit SurfaceStateGuard(Surface& s)
        : s_(s), pen_(s.pen()), brush_(s.brush()), font_(s.font()), mode_(s.drawMode()), clip_(s.clip()) {}
    ~SurfaceStateGuard() {
        s_.SetPen(pen_);
        s_.SetBrush(brush_);
        s_.SetFont(font_);
        s_.SetDrawMode(mode_);
        s_.SetClip(clip_);
    }
    SurfaceStateGuard(const SurfaceStateGuard&) = delete;
    SurfaceStateGuard& operator=(const SurfaceStateGuard&) = delete;

private:
    Surface& s_;
    Pen pen_;
    Brush brush_;
    Font font_;
    DrawMode mode_;
    std::optional<Rect> clip_;
};

}  // namespace gvm::graphics
