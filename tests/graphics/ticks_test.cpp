// Tick steps with the widening of ranges to whole steps, and the axes drawn from them.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graphics/axes.h"
#include "graphics/recording_surface.h"
#include "graphics/ticks.h"

namespace gvm::graphics {
namespace {

struct TickCase {
    const char* what;
    double min, max;
    int length, area;
    double step, newMin, newMax;
};

void PrintTo(const TickCase& c, std::ostream* os) {
    *os << c.what;
}

class TickStepTest : public testing::TestWithParam<TickCase> {};

TEST_P(TickStepTest, StepAndWidenedRange) {
    const TickCase& c = GetParam();
    double lo = c.min, hi = c.max;
    EXPECT_DOUBLE_EQ(TickStep(lo, hi, c.length, c.area), c.step);
    EXPECT_NEAR(lo, c.newMin, 1e-12);
    EXPECT_NEAR(hi, c.newMax, 1e-12);
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, TickStepTest,
    testing::Values(
        TickCase{"coinciding ends keep them, step 0", 3.5, 3.5, 800, 800, 0, 3.5, 3.5},
        TickCase{"no axis length, step 0", 0, 10, 0, 800, 0, 0, 10},
        // n = 12 intervals, g = 1.14, t = 1.14 -> step 1.
        TickCase{"0..13.7 over the full width", 0, 13.7, 800, 800, 1, 0, 14},
        // n = 7, g = 0.169, o = 0.1, t = 1.69 -> step 0.2.
        TickCase{"-0.37..0.81 over half the height", -0.37, 0.81, 300, 600, 0.2, -0.4, 1.0},
        TickCase{"14.005 is within 0.01 step of 14", 0, 14.005, 800, 800, 1, 0, 14},
        TickCase{"14.02 goes up to 15", 0, 14.02, 800, 800, 1, 0, 15},
        TickCase{"negative ends", -37, -3, 800, 800, 2, -38, -2},
        TickCase{"t below 3.5 gives 2 o", 0, 30, 800, 800, 2, 0, 30},
        TickCase{"t below 8 gives 5 o", 0, 60, 800, 800, 5, 0, 60},
        TickCase{"t from 8 gives 10 o", 0, 110, 800, 800, 10, 0, 110},
        TickCase{"a lower end on a tick stays", 0.6, 3.1, 800, 800, 0.2, 0.6, 3.2},
        TickCase{"a tiny range takes g = 1", 0, 0.0005, 800, 800, 1, 0, 0},
        TickCase{"a demo run over its distance", 0, 600.2, 1500, 1600, 50, 0, 600}));

TEST(TickDecimals, DistanceAndValueLabels) {
    EXPECT_EQ(DistanceDecimals(50), 0);
    EXPECT_EQ(DistanceDecimals(1), 0);
    EXPECT_EQ(DistanceDecimals(0.5), 1);
    EXPECT_EQ(DistanceDecimals(0.1), 1);
    EXPECT_EQ(DistanceDecimals(0.02), 2);
    EXPECT_EQ(ValueDecimals(2), 0);
    EXPECT_EQ(ValueDecimals(1), 0);
    EXPECT_EQ(ValueDecimals(0.2), 1);
    EXPECT_EQ(ValueDecimals(0.1), 1);
    EXPECT_EQ(ValueDecimals(0.05), 2);
}

std::vector<std::string> Texts(const RecordingSurface& s) {
    std::vector<std::string> out;
    for (const Primitive* p : s.OfKind(PrimitiveKind::Text)) out.push_back(p->text);
    return out;
}

// World 0..100 x -1..2 on device 50..550 x 350..50.
ChartView AxisView() {
    ChartView v;
    v.SetArea(600, 400);
    v.SetDevice(50, 350, 550, 50);
    v.SetWorld(0, 100, -1, 2);
    return v;
}

TEST(Axes, DistanceAxisAtZeroWithLabelsBelowOrAbove) {
    RecordingSurface s;
    const ChartView v = AxisView();
    const AxisStyle st{0x123456, 12, {}};
    const int y = DrawDistanceAxis(s, v, 25, st);
    EXPECT_EQ(y, v.ToY(0));
    EXPECT_THAT(Texts(s), testing::ElementsAre("100", "75", "50", "25", "0"));
    const auto lines = s.OfKind(PrimitiveKind::Line);
    ASSERT_EQ(lines.size(), 6u);  // the axis and five ticks one font size long
    EXPECT_EQ(lines[0]->points, (std::vector<Point>{{50, y}, {550, y}}));
    EXPECT_EQ(lines[1]->points, (std::vector<Point>{{550, y - 6}, {550, y + 6}}));
    EXPECT_EQ(lines[0]->pen.color, 0x123456u);
    for (const Primitive* t : s.OfKind(PrimitiveKind::Text)) EXPECT_GT(t->rect.top, y);

    RecordingSurface above;
    DrawDistanceAxis(above, v, -25, st);
    for (const Primitive* t : above.OfKind(PrimitiveKind::Text)) EXPECT_LE(t->rect.bottom, y);
}

TEST(Axes, DistanceAxisAtTheWindowEdgeWhenZeroIsOutside) {
    RecordingSurface s;
    ChartView v = AxisView();
    v.SetWorld(0, 100, 0.5, 2);
    EXPECT_EQ(DrawDistanceAxis(s, v, 25, {}), 350);
    v.SetWorld(0, 100, -3, -1);
    EXPECT_EQ(DrawDistanceAxis(s, v, 25, {}), 50);
}

TEST(Axes, ValueAxisLeftOrRightWithDecimalsOfItsStep) {
    RecordingSurface left;
    const ChartView v = AxisView();
    EXPECT_EQ(DrawValueAxis(left, v, 0.5, {}), 50);
    EXPECT_THAT(Texts(left), testing::ElementsAre("2.0", "1.5", "1.0", "0.5", "0.0", "-0.5", "-1.0"));
    for (const Primitive* t : left.OfKind(PrimitiveKind::Text)) EXPECT_LE(t->rect.right, 50);

    RecordingSurface right;
    EXPECT_EQ(DrawValueAxis(right, v, -1, {}, 0), 550);
    EXPECT_THAT(Texts(right), testing::ElementsAre("2", "1", "0", "-1"));
    for (const Primitive* t : right.OfKind(PrimitiveKind::Text)) EXPECT_GE(t->rect.left, 550);

    RecordingSurface shifted;
    EXPECT_EQ(DrawValueAxis(shifted, v, 1, {}, -30), 20);
}

TEST(Axes, NoTicksForStepZero) {
    RecordingSurface s;
    DrawDistanceAxis(s, AxisView(), 0, {});
    EXPECT_TRUE(s.OfKind(PrimitiveKind::Text).empty());
    EXPECT_EQ(s.OfKind(PrimitiveKind::Line).size(), 1u);
}

}  // namespace
}  // namespace gvm::graphics
