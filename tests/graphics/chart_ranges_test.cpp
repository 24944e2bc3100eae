// Data ranges of the charts, the layout of the bands and the profile heights of a track.

#include <gtest/gtest.h>

#include "chart_fixture.h"
#include "graphics/chart_layout.h"
#include "graphics/chart_ranges.h"
#include "graphics/profile.h"

namespace gvm::graphics {
namespace {

using test::SeriesRow;
using test::Series;
using test::Uniform;

// Ranges of a hand-built run on the demo track, over a 1600 x 900 layout.
struct Ranges : testing::Test {
    Ranges() {
        in = demo.in;
        chart.SetArea({1597, 897, 3, 3});
        chart.settings.ShowTime = chart.settings.ShowSpeed = chart.settings.ShowAccel = true;
    }
    void Open(const engine::TVysledky& r) {
        in.result = &r;
        chart.Open(in, surface);
    }
    test::DemoChart demo;
    ChartInput in;
    Chart chart;
    RecordingSurface surface;
};

TEST_F(Ranges, SlowRunGetsSpeedRangeUpToFive) {
    const auto r = Series(Uniform(0, 300, 2, 2.9, 0.05));
    Open(*r);
    const ChartSettings& s = chart.settings;
    EXPECT_EQ(s.Speed.Von, 0);
    EXPECT_EQ(s.Speed.Bis, 5);
    EXPECT_GT(s.Speed.Schritt, 0);
    // Accelerations all above 0 start at 0.
    EXPECT_EQ(s.Accel.Von, 0);
    EXPECT_GE(s.Accel.Bis, 0.05);
}

TEST_F(Ranges, DistanceFromTheCrestOrEarlierStartToTheEnd) {
    const auto fromCrest = Series(Uniform(3, 583, 2, 4));
    Open(*fromCrest);
    EXPECT_EQ(chart.settings.Dist.Von, 0);
    EXPECT_EQ(chart.settings.Dist.Bis, 600);  // 583 widened to the step of 50
    EXPECT_EQ(chart.settings.Dist.Schritt, 50);
    EXPECT_EQ(chart.view.FullXMin, 0);
    EXPECT_EQ(chart.view.FullXMax, 600);
    EXPECT_DOUBLE_EQ(chart.view.ScrollUnit, 75);

    const auto runIn = Series(Uniform(-57, -3, 1, 1.2));
    Open(*runIn);
    EXPECT_LE(chart.settings.Dist.Von, -57);
    EXPECT_EQ(chart.settings.Dist.Bis, 10);  // an end at or below 0 becomes 10 m
}

TEST_F(Ranges, LastRowAtZeroTakesTheRowBefore) {
    const auto r = Series({{-40, 1, 0, 0}, {-30, 1, 0, 10}, {-20, 1, 0, 20}, {0, 1, 0, 40}});
    // A last row at 0 is not the end of the range: the row before it is.
    Open(*r);
    EXPECT_EQ(chart.settings.Dist.Bis, 10);  // -20 -> below 1e-6 -> 10 m
    const auto r2 = Series({{-40, 1, 0, 0}, {10, 1, 0, 10}, {0, 1, 0, 20}});
    Open(*r2);
    EXPECT_GE(chart.settings.Dist.Bis, 10);
}

TEST_F(Ranges, TimeFromTheRangeStartToItsEnd) {
    // Start at -10 m, 2 m/s: time 0 at -10 m, 5 s at the crest.
    const auto r = Series(Uniform(-10, 190, 1, 2));
    Open(*r);
    const ChartSettings& s = chart.settings;
    ASSERT_LE(s.Dist.Von, -10);
    EXPECT_EQ(s.Time.Von, 0);
    EXPECT_GE(s.Time.Bis, 100);  // the last row at 190 m
    EXPECT_LT(s.Time.Bis, 120);
}

TEST_F(Ranges, SecondGroupWidensSpeedAndTime) {
    const auto first = Series(Uniform(0, 200, 2, 3));
    const auto second = Series(Uniform(0, 200, 2, 6.4));
    in.result2 = second.get();
    in.Zeitversatz = 80;
    chart.settings.ShowSecond = true;
    Open(*first);
    EXPECT_GE(chart.settings.Speed.Bis, 6.4);
    // Its time at the range end (200 / 6.4 = 31 s) plus the offset.
    EXPECT_GE(chart.settings.Time.Bis, 111);
}

TEST_F(Ranges, ManualRangesStayWhenRecomputed) {
    const auto r = Series(Uniform(0, 300, 2, 4));
    Open(*r);
    chart.settings.Speed = {1, 4, 0.5, false, false};
    chart.RecomputeRanges(surface);
    EXPECT_EQ(chart.settings.Speed.Von, 1);
    EXPECT_EQ(chart.settings.Speed.Bis, 4);
    EXPECT_EQ(chart.settings.Speed.Schritt, 0.5);
    // Opening charts for a run makes every range automatic again.
    Open(*r);
    EXPECT_TRUE(chart.settings.Speed.AutoRange);
    EXPECT_EQ(chart.settings.Speed.Bis, 5);
}

TEST_F(Ranges, WithoutRowsTheStartAndTargetSpanTheDistance) {
    engine::TVysledky empty;
    in.XStart = -20;
    in.XLetzte = 480;
    Open(empty);
    EXPECT_LE(chart.settings.Dist.Von, -20);
    EXPECT_GE(chart.settings.Dist.Bis, 480);
}

TEST(ChartLayout, BandsFollowTheShowFlags) {
    struct Case {
        const char* what;
        bool time, speed, accel, anim, track;
        bool band, diagram;
        int leftTitle;  // characters of the left title (6 px each), or 8 px
    } cases[] = {
        {"time chart alone", true, false, false, false, false, false, true, -1},
        {"speed with the animation", false, true, false, true, false, true, true, 13},
        {"speed and acceleration", false, true, true, false, false, false, true, 19},
        {"acceleration alone", false, false, true, false, false, false, true, 17},
        {"track band alone", false, false, false, true, true, true, false, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ChartSettings s;
        s.ShowTime = c.time;
        s.ShowSpeed = c.speed;
        s.ShowAccel = c.accel;
        s.ShowAnim = c.anim;
        s.ShowTrack = c.track;
        RecordingSurface m;
        const ChartLayout l = ComputeLayout(m, s, {1000, 700, 3, 3});
        EXPECT_EQ(l.hasBand, c.band);
        EXPECT_EQ(l.hasDiagram, c.diagram);
        EXPECT_EQ(l.leftTitle, c.leftTitle < 0 ? 8 : c.leftTitle * 6);
        EXPECT_EQ(l.plot.left, 3 + l.leftTitle + s.FontSize);
        if (c.diagram) {
            EXPECT_EQ(l.diagramBand.top, c.band ? l.band.bottom + 8 : 3);  // u = 2/3 of 12 px
            EXPECT_EQ(l.diagramBand.bottom, 700);
            EXPECT_LT(l.plot.top, l.speedTop);
            EXPECT_LT(l.speedTop, l.accelTop);
        }
    }
}

TEST(ChartLayout, OnlyTheTimeChartFillsTheAreaFromTheTopMargin) {
    ChartSettings s;
    s.ShowTime = true;
    s.ShowSpeed = s.ShowAccel = s.ShowAnim = s.ShowTrack = false;
    RecordingSurface m;
    const ChartLayout l = ComputeLayout(m, s, {1000, 700, 3, 3});
    EXPECT_EQ(l.diagramBand.top, 3);
    // Distance axis at the top: two text heights and a font size above the plot.
    EXPECT_EQ(l.plot.top, 3 + 2 * 12 + 12);
    EXPECT_EQ(l.plot.bottom, 700 - 18);
    EXPECT_EQ(l.plot.right, 1000 - 8 * 6 - 12);  // "Zeit [s]" on the right
}

TEST(ChartLayout, TrackBandHeightGrowsWithTheStrips) {
    ChartSettings s;
    RecordingSurface m;
    const int plain = ComputeLayout(m, s, {1000, 700, 3, 3}).band.Height();
    EXPECT_EQ(plain, 24 * 8);
    s.ShowTrack = true;
    // 10.5 u (84) and the width of a number label (36).
    EXPECT_EQ(ComputeLayout(m, s, {1000, 700, 3, 3}).band.Height(), plain + 84 + 36);
    // Without charts the band stands in the middle unless printed.
    s.ShowSpeed = false;
    const ChartLayout centred = ComputeLayout(m, s, {1000, 700, 3, 3});
    EXPECT_GT(centred.band.top, 3);
    EXPECT_EQ(ComputeLayout(m, s, {1000, 700, 3, 3, true}).band.top, 3);
}

TEST(Profile, HeightsFollowTheGradients) {
    test::DemoChart demo;
    const Profile p(demo.gleis());
    // -60..-6 at +20, -6..0 from +20 to 0, 0..13.5 from 0 to -45 per mille.
    EXPECT_DOUBLE_EQ(p.HeightAt(-60), 0);
    EXPECT_DOUBLE_EQ(p.HeightAt(-6), 1080);
    EXPECT_DOUBLE_EQ(p.HeightAt(-3), 1080 + 3 * (20 - 20.0 / 6 * 3 / 2));
    EXPECT_DOUBLE_EQ(p.HeightAt(0), 1140);
    EXPECT_DOUBLE_EQ(p.HeightAt(13.5), 1140 - 22.5 * 13.5);
    EXPECT_DOUBLE_EQ(p.HeightAt(-100), 0);  // before the first bound: its height
    EXPECT_DOUBLE_EQ(p.HMax, 1140);
    EXPECT_DOUBLE_EQ(p.HMin, p.HeightAt(700));
    EXPECT_DOUBLE_EQ(p.SMin, -45);
    EXPECT_DOUBLE_EQ(p.SMax, 20);
    // Falls all the way from the crest.
    for (double x = 1; x <= 700; x += 7) EXPECT_LT(p.HeightAt(x), p.HeightAt(x - 1));
}

}  // namespace
}  // namespace gvm::graphics
