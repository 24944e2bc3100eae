#include "graphics/chart_view.h"

#include <algorithm>
#include <cmath>

namespace gvm::graphics {

namespace {

constexpr double kEps = 1e-6;

int RoundToInt(double v) {
    return static_cast<int>(std::lround(v));
}

}  // namespace

void ChartView::SetArea(int width, int height, int marginLeft, int marginTop) {
    W = width;
    H = height;
    marginLeft_ = marginLeft;
    marginTop_ = marginTop;
}

void ChartView::Reset() {
    x0 = 0;
    y0 = H;
    x1 = W;
    y1 = 0;
    SetWorld(0, 100, 0, 100);
}

void ChartView::SetDevice(int devX0, int devY0, int devX1, int devY1) {
    x0 = devX0;
    y0 = devY0;
    x1 = devX1;
    y1 = devY1;
    Recompute();
}

void ChartView::SetWorld(double xMin, double xMax, double yMin, double yMax) {
    XMin = xMin;
    XMax = xMax;
    YMin = yMin;
    YMax = yMax;
    Recompute();
}

void ChartView::Recompute() {
    // Only a window without extent is replaced: a window that merely ends at or below zero
    // (an acceleration chart of a run that only brakes, the run-in zone before the crest)
    // keeps its ends.
    if (std::fabs(XMax) < kEps && XMax - XMin < kEps) XMax = 100;
    if (YMax < kEps && YMax - YMin < kEps) YMax = 10;
    if (YMax - YMin < kEps) YMin = 0;
    if (XMax - XMin < kEps) XMin = 0;
    // A window still without extent (XMax near 0 but above the guard) maps onto its origin.
    SX = XMax - XMin < kEps ? 0.0 : (x1 - x0) / (XMax - XMin);
    SY = YMax - YMin < kEps ? 0.0 : (y1 - y0) / (YMax - YMin);
}

int ChartView::ToX(double x) const {
    return RoundToInt((x - XMin) * SX) + x0;
}

int ChartView::ToY(double y) const {
    return RoundToInt((y - YMin) * SY) + y0;
}

int ChartView::LengthX(double l) const {
    return RoundToInt(l * SX);
}

double ChartView::ToWorldX(int devX) const {
    return SX == 0 ? XMin : (devX - x0) / SX + XMin;
}

double ChartView::ToWorldY(int devY) const {
    return SY == 0 ? YMin : (devY - y0) / SY + YMin;
}

Point ChartView::TextOrigin(Point at, TextSize size, int ha, int va) {
    return {at.x - ha * size.width / 2, at.y - (2 - va) * size.height / 2};
}

void ChartView::PlaceText(Surface& s, Point at, std::string_view text, int ha, int va) {
    s.Text(TextOrigin(at, s.TextExtent(text), ha, va), text);
}

void ChartView::UseWindowOf(const ChartView& o) {
    XMin = o.XMin;
    XMax = o.XMax;
    YMin = o.YMin;
    YMax = o.YMax;
    x0 = o.x0;
    y0 = o.y0;
    x1 = o.x1;
    y1 = o.y1;
    SX = o.SX;
    SY = o.SY;
}

void ChartView::SetFullRange(double fullMin, double fullMax) {
    FullXMin = fullMin;
    FullXMax = fullMax;
    MaxScrollUnit = (FullXMax - FullXMin) / 8;
    ScrollUnit = std::min((XMax - XMin) / 8, MaxScrollUnit);
}

}  // namespace gvm::graphics
