// The painting pass on a recording surface: what the charts of a run consist of, in which
// colours, and where the marks and their labels go.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "chart_fixture.h"
#include "graphics/chart_marks.h"
#include "graphics/wagon_drawing.h"

namespace gvm::graphics {
namespace {

using test::DemoChart;

constexpr Color kRed = 0xFF0000, kGrey = 0x808080, kBlue = 0x0000FF, kMaroon = 0x800000;

std::vector<const Primitive*> Polylines(const RecordingSurface& s, Color color) {
    std::vector<const Primitive*> out;
    for (const Primitive* p : s.OfKind(PrimitiveKind::Polyline))
        if (p->pen.color == color) out.push_back(p);
    return out;
}

const Primitive* Text(const RecordingSurface& s, const std::string& text) {
    for (const Primitive* p : s.OfKind(PrimitiveKind::Text))
        if (p->text == text) return p;
    return nullptr;
}

// The charts of S1-GUT with every part shown.
struct DemoPaint : testing::Test {
    DemoPaint() {
        ChartSettings& s = d.chart.settings;
        s.ShowTime = s.ShowSpeed = s.ShowAccel = s.ShowAnim = s.ShowTrack = true;
    }
    void OpenAndPaint() {
        d.Open();
        d.Paint();
    }
    const ChartView& speed() const { return d.chart.SpeedView(); }
    DemoChart d;
};

TEST_F(DemoPaint, ProfileRetardersAndCurvesInTheirColours) {
    OpenAndPaint();
    const RecordingSurface& s = d.surface;
    const ChartLayout& l = d.chart.Layout();

    const auto profile = Polylines(s, 0xC00000);
    ASSERT_EQ(profile.size(), 1u);
    EXPECT_EQ(profile[0]->pen.width, 2);
    EXPECT_EQ(profile[0]->points.front().x, l.plot.left);
    EXPECT_EQ(profile[0]->points.back().x, l.plot.right);
    EXPECT_LT(profile[0]->points.front().y, profile[0]->points.back().y) << "falls from the crest";
    for (const Point& p : profile[0]->points) {
        EXPECT_GE(p.y, l.profileTop);
        EXPECT_LE(p.y, l.profileBottom);
    }

    // The three retarders after the crest as maroon quadrilaterals on the profile.
    std::vector<const Primitive*> quads;
    for (const Primitive* p : s.OfKind(PrimitiveKind::Polygon))
        if (p->brush.color == kMaroon && p->points.size() == 4) quads.push_back(p);
    ASSERT_EQ(quads.size(), 3u);
    EXPECT_EQ(quads[0]->points[0].x, d.chart.ProfileView().ToX(68));
    EXPECT_EQ(quads[0]->points[1].x, d.chart.ProfileView().ToX(92));
    EXPECT_EQ(quads[0]->points[3].y - quads[0]->points[0].y, 3) << "a quarter of the font size deep";

    // Time (the group's colour, head and end), speed and acceleration curves.
    const Color groupColour = d.in.group->Barva;
    const auto time = Polylines(s, groupColour);
    ASSERT_GE(time.size(), 2u);
    const auto& head = time[0]->points;
    for (std::size_t i = 1; i < head.size(); ++i) EXPECT_GE(head[i].y, head[i - 1].y) << "time grows downwards";
    EXPECT_EQ(head.front().y, d.chart.TimeView().ToY(0));
    const auto speedCurve = Polylines(s, kRed);
    ASSERT_EQ(speedCurve.size(), 1u);
    EXPECT_EQ(speedCurve[0]->pen.style, PenStyle::Solid);
    EXPECT_GT(speedCurve[0]->points.size(), 100u);
    EXPECT_EQ(Polylines(s, 0x808000).size(), 1u);
    // Group length lines in yellow, effect zones in purple.
    int yellow = 0, purple = 0;
    for (const Primitive* p : s.OfKind(PrimitiveKind::Line)) {
        yellow += p->pen.color == 0xFFFF00;
        purple += p->pen.color == 0x800080;
    }
    EXPECT_GT(yellow, 50);
    EXPECT_EQ(purple, 2 * 5) << "an L-shaped mark per effect zone";

    for (const char* title : {"Distanz [m]", "Zeit [s]", "Geschw [m/s]", "Beschl [m/s^2] ", "Neig [‰]", "Radius [m]",
                              "Bremsen", "Weichen"})
        EXPECT_NE(Text(s, title), nullptr) << title;
}

TEST_F(DemoPaint, LeavesTheTimeScaleActiveWithTheFullRange) {
    OpenAndPaint();
    const ChartView& v = d.chart.view;
    EXPECT_EQ(v.YMin, d.chart.settings.Time.Von);
    EXPECT_EQ(v.YMax, d.chart.settings.Time.Bis);
    EXPECT_EQ(v.ToY(v.YMin), d.chart.Layout().plot.top);
    EXPECT_EQ(v.FullXMin, 0);
    EXPECT_EQ(v.FullXMax, 600);
    EXPECT_DOUBLE_EQ(v.ScrollUnit, 75);
    EXPECT_EQ(v.AreaWidth(), 1600 - 6);
    // Without the time chart, the speed scale.
    d.chart.settings.ShowTime = false;
    d.Paint();
    EXPECT_EQ(d.chart.view.YMax, d.chart.settings.Speed.Bis);
    EXPECT_NEAR(d.chart.view.ToWorldY(d.chart.view.ToY(3.0)), 3.0, 0.05);
}

TEST_F(DemoPaint, ExitSpeedMarksAndStartMarks) {
    OpenAndPaint();
    const RecordingSurface& s = d.surface;
    for (const char* label : {"Vaus  6.00", "Vaus  5.00", "Vaus  2.00"}) {
        const Primitive* t = Text(s, label);
        ASSERT_NE(t, nullptr) << label;
        EXPECT_EQ(t->font.color, kRed);
    }
    // The line of the primary retarder: 2 px at 6 m/s from its start to its end.
    const int y = speed().ToY(6.0);
    bool found = false;
    for (const Primitive* p : s.OfKind(PrimitiveKind::Line))
        found |= p->pen.width == 2 && p->pen.color == kRed &&
                 p->points == std::vector<Point>{{speed().ToX(68), y}, {speed().ToX(92), y}};
    EXPECT_TRUE(found);
    // Its label is centred between start and end.
    const Primitive* label = Text(s, "Vaus  6.00");
    EXPECT_NEAR((label->rect.left + label->rect.right) / 2.0, speed().ToX(80), 1);
    EXPECT_EQ(s.TextsContaining("^ ").size(), 0u);

    const Primitive* in = Text(s, "Start-ein:");
    const Primitive* run = Text(s, "Start:");
    ASSERT_NE(in, nullptr);
    ASSERT_NE(run, nullptr);
    EXPECT_EQ(in->font.color, kGrey);
    EXPECT_TRUE(in->font.bold);
    EXPECT_EQ(run->font.color, kRed);
    EXPECT_NE(Text(s, "1.40 m/s"), nullptr);
    EXPECT_EQ(s.OfKind(PrimitiveKind::Ellipse).size(), 2u + 4u) << "two start circles, four wheels";
    EXPECT_EQ(s.TextsContaining("Ziel").size(), 0u) << "a normal run has no target";
}

TEST_F(DemoPaint, TargetMarks) {
    d.in.XZiel = 550;
    d.in.VZiel = 1.4;
    OpenAndPaint();
    const Primitive* in = Text(d.surface, "Ziel_ein:");
    const Primitive* reached = Text(d.surface, "Ziel:");
    ASSERT_NE(in, nullptr);
    ASSERT_NE(reached, nullptr);
    EXPECT_EQ(in->font.color, kGrey);
    EXPECT_EQ(reached->font.color, kRed);
    EXPECT_NEAR((in->rect.left + in->rect.right) / 2.0, speed().ToX(550), 40);
}

TEST_F(DemoPaint, ExitSpeedAboveTheChartIsGreyAtTheTop) {
    d.Open();
    d.chart.settings.Speed = {0, 4, 1, false, false};
    d.Paint();
    for (const char* label : {"^ Vaus  6.00", "^ Vaus  5.00"}) {
        const Primitive* t = Text(d.surface, label);
        ASSERT_NE(t, nullptr) << label;
        EXPECT_EQ(t->font.color, kGrey);
    }
    EXPECT_EQ(Text(d.surface, "Vaus  2.00")->font.color, kRed);
    const int top = speed().ToY(4);
    bool greyAtTop = false;
    for (const Primitive* p : d.surface.OfKind(PrimitiveKind::Line))
        greyAtTop |= p->pen.color == kGrey && p->pen.width == 2 && p->points[0].y == top;
    EXPECT_TRUE(greyAtTop);
}

TEST_F(DemoPaint, EnteredExitSpeedsWhereTheRunDiffers) {
    d.in.Vaus[2] = 5.5;  // as target braking would have found it
    OpenAndPaint();
    EXPECT_EQ(Text(d.surface, "Vaus  5.50")->font.color, kRed);
    EXPECT_EQ(Text(d.surface, "Vaus  6.00")->font.color, kBlue);
    EXPECT_EQ(Text(d.surface, "____ optimierte Vaus")->font.color, kRed);
    EXPECT_EQ(Text(d.surface, "____ eingebene Vaus")->font.color, kGrey);
    // The run's label below its line (it is slower), the entered one above.
    EXPECT_GT(Text(d.surface, "Vaus  5.50")->rect.top, speed().ToY(5.5));
    EXPECT_LT(Text(d.surface, "Vaus  6.00")->rect.bottom, speed().ToY(6.0));

    d.in.VausGleisRespect = false;
    OpenAndPaint();
    EXPECT_EQ(Text(d.surface, "Vaus  6.00")->font.color, kGrey);
}

TEST_F(DemoPaint, LabelsOfCloseRetardersStandAtTheirNearEnds) {
    // The secondary retarder moved to 3 m behind the primary one (92 m): 95..125 m.
    model::TGleis& g = d.gleis();
    g.Xbu[3] = 95 - g.Xnull;
    g.Xbo[3] = 125 - g.Xnull;
    OpenAndPaint();
    EXPECT_EQ(Text(d.surface, "Vaus  5.00")->rect.left, speed().ToX(95));
    EXPECT_EQ(Text(d.surface, "Vaus  6.00")->rect.right, speed().ToX(92));
}

TEST_F(DemoPaint, RailSkidAtTheEndShowsItsBrakingDistance) {
    d.gleis().Kod[4] = 0;  // the target retarder 345..365 m as a rail skid
    OpenAndPaint();
    const Primitive* t = Text(d.surface, "Hemmschuheweg =    20.00");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->rect.left, d.chart.ProfileView().ToX(365) + 4);
    d.gleis().Kod[4] = 3;
    OpenAndPaint();
    EXPECT_TRUE(d.surface.TextsContaining("Hemmschuheweg").empty());
}

TEST_F(DemoPaint, IncompleteSeriesIsDottedAndThin) {
    d.c.sets->current.Bereit = false;
    d.chart.settings.SpeedWidth = 3;
    OpenAndPaint();
    const auto curve = Polylines(d.surface, kRed);
    ASSERT_EQ(curve.size(), 1u);
    EXPECT_EQ(curve[0]->pen.style, PenStyle::Dot);
    EXPECT_EQ(curve[0]->pen.width, 1);
}

TEST_F(DemoPaint, OnlyTheTimeChartStartsAtTheTopMargin) {
    ChartSettings& s = d.chart.settings;
    s.ShowSpeed = s.ShowAccel = s.ShowAnim = s.ShowTrack = false;
    OpenAndPaint();
    EXPECT_EQ(d.chart.Layout().diagramBand.top, 3);
    EXPECT_EQ(Text(d.surface, "Geschw [m/s]"), nullptr);
    EXPECT_EQ(Polylines(d.surface, 0xC00000).size(), 0u) << "no profile";
    EXPECT_NE(Text(d.surface, "Zeit [s]"), nullptr);
    // The distance axis stands at the top with its labels above it.
    const Primitive* zero = Text(d.surface, "0");
    ASSERT_NE(zero, nullptr);
    EXPECT_LT(zero->rect.bottom, d.chart.Layout().plot.top);
}

TEST_F(DemoPaint, WagonsFilledByAxleLoad) {
    OpenAndPaint();
    std::vector<const Primitive*> bodies;
    for (const Primitive* p : d.surface.OfKind(PrimitiveKind::Polygon))
        if (p->brush.color == AxleLoadColor(21.5)) bodies.push_back(p);
    ASSERT_EQ(bodies.size(), 1u) << "GUT-ZAC1 is one Zacns";
    EXPECT_EQ(bodies[0]->pen.color, d.in.group->Barva);
    const model::TWagenN& w = d.in.group->Wagen(1);
    EXPECT_GT(w.LangW, 5);
    EXPECT_GT(w.HoheW, 5);
    // Standing on the profile at the head's start position, above the rail.
    const int rail = d.chart.ProfileView().ToY(d.chart.TrackProfile().HeightAt(d.chart.Head1));
    for (const Point& p : bodies[0]->points) EXPECT_LT(p.y, rail);
}

TEST(WagonDrawing, AxleLoadClasses) {
    struct Case {
        double load;
        Color fill;
    } cases[] = {{2, 0xF4D5B5}, {7.9, 0xF4D5B5}, {8, 0xEEBA86}, {12, 0xE79F58}, {16, 0xE08529},
                 {21.5, 0xBA6A1B}, {24, 0x8B5014}, {27.9, 0x8B5014}, {28, 0x000000}};
    for (const Case& c : cases) EXPECT_EQ(AxleLoadColor(c.load), c.fill) << c.load;
}

TEST(ChartCurves, ClippedToTheVisibleRangeByInterpolation) {
    DemoChart d;
    // Speed 1 + x/100 every 2 m from 0 to 400 m.
    std::vector<test::SeriesRow> rows;
    for (double x = 0; x <= 400; x += 2) rows.push_back({x, 1 + x / 100, 0, x});
    const auto r = test::Series(rows);
    d.in.result = r.get();
    d.chart.settings.ShowAnim = false;
    d.Open();
    d.chart.settings.Dist = {101, 301, 50, false, false};
    d.Paint();
    const auto curve = Polylines(d.surface, kRed);
    ASSERT_EQ(curve.size(), 1u);
    const ChartView& v = d.chart.SpeedView();
    EXPECT_EQ(curve[0]->points.front(), v.ToDevice(101, 2.01));
    EXPECT_EQ(curve[0]->points.back(), v.ToDevice(301, 4.01));
    for (const Point& p : curve[0]->points) {
        EXPECT_GE(p.x, v.ToX(101));
        EXPECT_LE(p.x, v.ToX(301));
    }
}

TEST(ChartCurves, SecondGroupInItsMarkColourShiftedInTime) {
    DemoChart d;
    const auto second = test::Series(test::Uniform(0, 500, 2, 3.2));
    d.in.result2 = second.get();
    d.in.group2 = &d.c.sets->wg2;
    d.in.group2->Barva = 0x00A000;
    d.in.Zeitversatz = 40;
    ChartSettings& s = d.chart.settings;
    s.ShowSecond = s.ShowTime = true;
    d.Open();
    d.Paint();
    EXPECT_EQ(Polylines(d.surface, kBlue).size(), 1u) << "its speed curve";
    const Primitive* start2 = Text(d.surface, "Start2");
    ASSERT_NE(start2, nullptr);
    EXPECT_EQ(start2->font.color, kBlue);
    EXPECT_NE(Text(d.surface, "Ziel2"), nullptr);
    // Its time curve starts at the offset.
    const auto time2 = Polylines(d.surface, 0x00A000);
    ASSERT_EQ(time2.size(), 2u) << "head and end in the group's colour";
    EXPECT_EQ(time2[0]->points.front().y, d.chart.TimeView().ToY(40));
}

TEST(ChartInputs, RunExitSpeedsTakeTheStartValueOfSwitchedOffRetarders) {
    engine::TVysledky r;
    r.Vaus[2] = engine::kVausOff;
    r.Vaus[3] = 4.2;
    r.Vaus[4] = engine::kVausInactive;
    ExitSpeeds started{};
    started[2] = 6;
    started[3] = 5;
    const ExitSpeeds v = RunExitSpeeds(r, started);
    EXPECT_EQ(v[2], 6);
    EXPECT_EQ(v[3], 4.2);
    EXPECT_EQ(v[4], engine::kVausInactive);
}

TEST(ChartInputs, ExperimentModesGiveStartAndTarget) {
    DemoChart d;
    const ChartInput& in = d.in;
    EXPECT_EQ(in.Modus, model::kNormalLauf);
    EXPECT_EQ(in.group, &d.c.sets->wg1);
    EXPECT_EQ(in.XStart, 0);
    EXPECT_EQ(in.VStart, 1.4);
    EXPECT_EQ(in.VZiel, -1);
    EXPECT_EQ(in.XLetzte, 600);
    EXPECT_EQ(in.Vaus[2], 6.0) << "switched off in the run, drawn at its exit speed";
    d.c.exp._Flags = model::kZielbremsung;
    d.c.exp._XZielbrems = 550;
    const ChartInput target = ChartInputForExperiment(d.c.exp, *d.c.sets, d.gleis().VausGleis);
    EXPECT_EQ(target.XZiel, 550);
    EXPECT_EQ(target.VZiel, 1.4);
}

}  // namespace
}  // namespace gvm::graphics
