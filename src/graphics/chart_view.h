#pragma once
// The coordinate layer of the charts: a world window (x from XMin to XMax, y from YMin to
// YMax) mapped onto a device rectangle with its origin (x0, y0) and end point (x1, y1). One
// view is shared by all charts and re-targeted band by band; for the usual upward y axis the
// origin is the lower left corner (y1 < y0), for a downward one the upper left.

#include <string_view>

#include "graphics/surface.h"

namespace gvm::graphics {

class ChartView {
public:
    ChartView() { Reset(); }

    // Size of the drawing area [px] and its left and top margins [px].
    void SetArea(int width, int height, int marginLeft = 3, int marginTop = 3);
    int AreaWidth() const { return W; }
    int AreaHeight() const { return H; }
    int MarginLeft() const { return marginLeft_; }
    int MarginTop() const { return marginTop_; }

    // Device rectangle = the whole area with its origin at the lower left, world 0..100 in
    // both directions.
    void Reset();
    void SetDevice(int devX0, int devY0, int devX1, int devY1);
    // Sets the world window and recomputes the scales.
    void SetWorld(double xMin, double xMax, double yMin, double yMax);
    // Scales from the current windows. A window that has collapsed to (almost) nothing is
    // replaced first: an x window ending at 0 gets XMax 100, a y window ending at or below 0
    // gets YMax 10, and a collapsed window then starts at 0.
    void Recompute();

    int ToX(double x) const;
    int ToY(double y) const;
    Point ToDevice(double x, double y) const { return {ToX(x), ToY(y)}; }
    int LengthX(double l) const;  // a world length along x [px]
    double ToWorldX(int devX) const;
    double ToWorldY(int devY) const;

    // Where a text of this size starts when placed at `at` with horizontal alignment `ha`
    // (0 left, 1 centred, 2 right) and vertical alignment `va` (2 top, 1 centred, 0 bottom).
    static Point TextOrigin(Point at, TextSize size, int ha, int va);
    // Writes a text placed as TextOrigin says, in the surface's current font.
    static void PlaceText(Surface& s, Point at, std::string_view text, int ha, int va);

    // Takes over the world window, device rectangle and scales of another view (the y scale
    // of one chart); area, margins and full range stay.
    void UseWindowOf(const ChartView& other);

    // The run's whole distance range; the scroll unit is one eighth of the visible x range and
    // never more than one eighth of the full range.
    void SetFullRange(double fullMin, double fullMax);
    double FullXMin = 0, FullXMax = 100;
    double ScrollUnit = 12.5, MaxScrollUnit = 12.5;

    double XMin = 0, XMax = 100, YMin = 0, YMax = 100;
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    double SX = 1, SY = -1;

private:
    int W = 100, H = 100;
    int marginLeft_ = 3, marginTop_ = 3;
};

}  // namespace gvm::graphics
