// The coordinate layer: world to device and back with rounding, the guards of the scale
// computation, and where texts go for each alignment.

#include <gtest/gtest.h>

#include "graphics/chart_view.h"
#include "graphics/recording_surface.h"

namespace gvm::graphics {
namespace {

// Device 100..600 x 400..100 (y up), world 0..250 x -1..5: SX = 2, SY = -50.
ChartView Sample() {
    ChartView v;
    v.SetArea(700, 500);
    v.SetDevice(100, 400, 600, 100);
    v.SetWorld(0, 250, -1, 5);
    return v;
}

TEST(ChartView, MapsWorldToDeviceWithRounding) {
    const ChartView v = Sample();
    EXPECT_DOUBLE_EQ(v.SX, 2.0);
    EXPECT_DOUBLE_EQ(v.SY, -50.0);
    struct Case {
        double x, y;
        int X, Y;
    } cases[] = {
        {0, -1, 100, 400},     // origin
        {250, 5, 600, 100},    // end point
        {10.25, 0, 121, 350},  // 20.5 px rounds away from zero
        {10.2, 0.009, 120, 350},
        {-5, 6, 90, 50},       // outside the window maps linearly
        {0.24, -0.992, 100, 400},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
        EXPECT_EQ(v.ToX(c.x), c.X);
        EXPECT_EQ(v.ToY(c.y), c.Y);
    }
    EXPECT_EQ(v.LengthX(12.3), 25);
    EXPECT_DOUBLE_EQ(v.ToWorldX(121), 10.5);
    EXPECT_DOUBLE_EQ(v.ToWorldY(350), 0.0);
    EXPECT_DOUBLE_EQ(v.ToWorldX(v.ToX(125)), 125.0);
}

TEST(ChartView, DownwardAxisForTime) {
    ChartView v;
    v.SetDevice(0, 20, 100, 220);  // origin at the top
    v.SetWorld(0, 100, 0, 40);
    EXPECT_EQ(v.ToY(0), 20);
    EXPECT_EQ(v.ToY(40), 220);
    EXPECT_EQ(v.ToY(10), 70);
}

TEST(ChartView, ResetCoversTheAreaWithAHundredUnits) {
    ChartView v = Sample();
    v.Reset();
    EXPECT_EQ(v.ToDevice(0, 0), (Point{0, 500}));
    EXPECT_EQ(v.ToDevice(100, 100), (Point{700, 0}));
}

TEST(ChartView, GuardsReplaceCollapsedWindows) {
    struct Case {
        double xMin, xMax, yMin, yMax;
        double XMin, XMax, YMin, YMax;
    } cases[] = {
        {0, 0, 0, 0, 0, 100, 0, 10},          // nothing set
        {0, 1e-7, 3, 3, 0, 100, 0, 3},        // x ends at 0; y collapsed above 0 starts at 0
        {50, 0, -3, -3, 50, 100, -3, 10},     // inverted x at 0; y collapsed below 0
        {5, 3, 2, 7, 0, 3, 2, 7},             // inverted x away from 0 starts at 0
        {0, 600, 0, 5, 0, 600, 0, 5},         // a proper window stays
        // Windows that merely end at or below 0 keep their ends.
        {-60, 0, -0.6, 0, -60, 0, -0.6, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.xMin << ".." << c.xMax << " / " << c.yMin << ".." << c.yMax);
        ChartView v = Sample();
        v.SetWorld(c.xMin, c.xMax, c.yMin, c.yMax);
        EXPECT_DOUBLE_EQ(v.XMin, c.XMin);
        EXPECT_DOUBLE_EQ(v.XMax, c.XMax);
        EXPECT_DOUBLE_EQ(v.YMin, c.YMin);
        EXPECT_DOUBLE_EQ(v.YMax, c.YMax);
        EXPECT_GT(v.SX, 0);
        EXPECT_LT(v.SY, 0);
    }
}

TEST(ChartView, TextPlacementByAlignment) {
    const TextSize size{60, 12};
    struct Case {
        int ha, va;
        Point origin;
    } cases[] = {
        {0, 2, {200, 100}},  // left, top: the point is the top left corner
        {1, 2, {170, 100}},  // centred
        {2, 2, {140, 100}},  // right
        {0, 1, {200, 94}},   // vertically centred
        {0, 0, {200, 88}},   // bottom
        {1, 1, {170, 94}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.ha << "/" << c.va);
        EXPECT_EQ(ChartView::TextOrigin({200, 100}, size, c.ha, c.va), c.origin);
    }
    RecordingSurface s;
    ChartView::PlaceText(s, {200, 100}, "0123456789", 2, 0);
    ASSERT_EQ(s.primitives().size(), 1u);
    EXPECT_EQ(s.primitives()[0].rect, (Rect{140, 88, 200, 100}));
}

TEST(ChartView, ScrollUnitIsAnEighthCappedByTheFullRange) {
    ChartView v = Sample();
    v.SetWorld(0, 400, 0, 5);
    v.SetFullRange(-80, 720);
    EXPECT_DOUBLE_EQ(v.MaxScrollUnit, 100);
    EXPECT_DOUBLE_EQ(v.ScrollUnit, 50);
    v.SetWorld(0, 1600, 0, 5);
    v.SetFullRange(0, 800);
    EXPECT_DOUBLE_EQ(v.ScrollUnit, 100);
}

}  // namespace
}  // namespace gvm::graphics
