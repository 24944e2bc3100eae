// The exit-speed search on small tracks built in code: close pairs, entered exit speeds as
// bounds, the too-fast mark, halving searches without an accepted trial, segments that run
// backwards, the lowering of the last retarder; and the speed-at-position lookup.

#include "engine/exit_speed_search.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "engine_fixture.h"

namespace gvm::engine {
namespace {

using test::DocFixture;
using test::EngineSetup;
using test::TrackParts;

// ---------------------------------------------------------------------------------------------
// Speed at position

// A series with rows every nominal metre, an event row between two of them and a duplicate.
TVysledky Series(const std::vector<double>& dist, const std::vector<double>& gesch) {
    TVysledky r;
    for (std::size_t i = 0; i < dist.size(); ++i) {
        r.Dist[i + 1] = dist[i];
        r.Gesch[i + 1] = gesch[i];
    }
    r.NVyst = static_cast<int>(dist.size());
    r.Berechnet = true;
    return r;
}

TEST(SpeedAtPosition, InterpolatesInsideAndMirrorsBeyondTheEnd) {
    const TVysledky r = Series({10, 10, 11, 11.5, 12, 13, 14}, {1.0, 1.0, 2.0, 2.5, 3.0, 4.0, 5.0});
    const double ddx = 1, q = 0.01;
    struct Case {
        double x, v;
        const char* what;
    };
    const Case cases[] = {
        {9.0, 1.0, "before the start: the first row"},
        {10.9, 1.0, "within the first nominal step: the first row"},
        {11.25, 2.25, "between a grid row and an event row"},
        {12.25, 3.25, "between two grid rows after an event row"},
        {14.0, 5.0, "at the end"},
        {14.01, 5.0, "at the end plus the tolerance: still the last row"},
        {14.5, -4.5, "beyond: the negative of the speed as far before the end"},
        {30.0, -1.0, "far beyond: mirrored before the start"},
    };
    for (const Case& c : cases) EXPECT_NEAR(SpeedAtPosition(r, c.x, ddx, q), c.v, 1e-12) << c.what;
}

TEST(SpeedAtPosition, ShortAndEmptySeriesStayInsideTheirRows) {
    // One row (a segment not integrated): its speed before and at it, negative after it.
    const TVysledky one = Series({10}, {2.0});
    EXPECT_EQ(SpeedAtPosition(one, 8, 0.5, 0.001), 2.0);
    EXPECT_EQ(SpeedAtPosition(one, 10, 0.5, 0.001), 2.0);
    EXPECT_EQ(SpeedAtPosition(one, 10.3, 0.5, 0.001), -2.0) << "beyond its end, within a step";
    EXPECT_EQ(SpeedAtPosition(TVysledky{}, 10, 0.5, 0.001), -1.0) << "no run at all";
    // A guess that lands beyond x when the series was run with a coarser step.
    const TVysledky coarse = Series({0, 4, 8, 12}, {1, 2, 3, 4});
    EXPECT_NEAR(SpeedAtPosition(coarse, 6, 1, 0.001), 2.5, 1e-12);
}

// ---------------------------------------------------------------------------------------------
// The search on small tracks

// A track built in code with retarders of a strong target-retarder type (code 3), a run of
// bogie wagons and an engine prepared for it. Positions are track abscissae; the crest and
// the track start lie at 0.
struct SearchWorld {
    using Retarders = std::function<test::SectionRows(std::int64_t type)>;
    SearchWorld(const test::SectionRows& neig, const Retarders& retarders, int wagons = 1,
                double xtot = 400) {
        const auto type = fx.RetarderType("3RG", {test::Row(0, 30, 1500)}, {test::Row(0, 30, 15)});
        TrackParts parts;
        parts.neig = neig;
        parts.xtot = xtot;
        parts.retarders = retarders(type);
        const auto track = test::MakeTrack(fx, parts);
        const auto run = test::RunOf(fx, test::BogieWagon(fx), wagons, 20, 2, 0);
        s = std::make_unique<EngineSetup>(fx, track, run, xtot, 1.2, 0.5, 0.001);
        fx.port.Clear();
        EXPECT_TRUE(s->Prepare());
    }
    // Lowers the last retarder against the target and searches from `x0` at `v`.
    double Search(double vz, double xz, double v, double x0 = 0) {
        e().gleis.Vaus = e().gleis.VausGleis;
        LowerLastRetarder(e(), s->group, xz);
        return ExitSpeedSearch(e(), s->group, vz, xz, v, x0);
    }
    TEngine& e() { return s->engine; }
    const TSuchSegment& Seg(int i) { return e().suche.Segment[static_cast<std::size_t>(i)]; }
    double Vaus(int i) { return e().gleis.Vaus[static_cast<std::size_t>(i)]; }
    double Ok1() { return s->group.Ok1(); }
    double Ok9() { return s->group.Ok9(); }

    DocFixture fx;
    std::unique_ptr<EngineSetup> s;
};

// Falling 5 per mille: a bogie wagon without air gains about 0.03 m/s2.
const test::SectionRows kFalling = {{0.0, 400.0, -5.0, -5.0}};

TEST(ExitSpeedSearch, ReachesTheTargetWithTheTargetSpeed) {
    SearchWorld w(kFalling, [](std::int64_t t) {
        return test::SectionRows{test::Retarder(t, 100, 110, 5.0),
                                 test::Retarder(t, 200, 210, 5.0)};
    });
    const double s = w.Search(2.5, 300, 1.2);
    EXPECT_NEAR(s, 2.5, 0.01);
    const TVysledky& r = w.e().result;
    EXPECT_EQ(r.DistEnd(), 300);
    EXPECT_EQ(r.Dist1(), 0);
    // Each record runs from where the first axle reaches its retarder to the next one's.
    EXPECT_EQ(w.Seg(0).XEnde, 100 + w.Ok1());
    EXPECT_EQ(w.Seg(1).XEin, 100 + w.Ok1());
    EXPECT_EQ(w.Seg(1).XAus, 110 + w.Ok9());
    EXPECT_EQ(w.Seg(1).XEnde, 200 + w.Ok1());
    EXPECT_EQ(w.Seg(2).XEnde, 300);
    EXPECT_EQ(w.Seg(2).VEnde, 2.5);
    // The entry speed of a retarder is what the segment before must deliver.
    EXPECT_EQ(w.Seg(1).VEnde, w.Seg(2).VEin);
    EXPECT_EQ(w.Seg(0).VEnde, w.Seg(1).VEin);
    EXPECT_EQ(w.Seg(0).VAus, 1.2) << "the start record keeps the start speed";
    // The found exit speeds are the working ones, and the start speed stands in front.
    for (int i = 0; i <= 2; ++i)
        EXPECT_EQ(w.e().gleis.VausGefunden[static_cast<std::size_t>(i)], w.Vaus(i)) << i;
    EXPECT_EQ(w.e().gleis.VausGleis[0], 1.2);
    EXPECT_LT(w.Vaus(2), 5.0) << "braked below the entered exit speed";
    EXPECT_GT(w.e().suche.MaxEinlauf, 1.2);
    EXPECT_LE(w.e().suche.MaxEinlauf, kSuchGrenze);
    EXPECT_FALSE(w.e().suche.ZuSchnell);
}

TEST(ExitSpeedSearch, ClosePairsAreFormedGreedilyAndShareOneExitSpeed) {
    struct Case {
        const char* what;
        std::vector<double> starts;  // retarders of 10 m
        std::vector<int> marks;
    };
    const Case cases[] = {
        {"4.9 m apart: a pair", {100, 114.9}, {1, 2}},
        {"5 m apart: two retarders", {100, 115}, {0, 0}},
        {"three 3 m apart: a pair and one", {100, 113, 126}, {1, 2, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SearchWorld w(kFalling, [&](std::int64_t t) {
            test::SectionRows rows;
            for (double x : c.starts) rows.push_back(test::Retarder(t, x, x + 10, 5.0));
            return rows;
        });
        const double s = w.Search(3.5, 300, 1.2);
        EXPECT_NEAR(s, 3.5, 0.01);
        const int n = static_cast<int>(c.starts.size());
        for (int i = 1; i <= n; ++i) {
            EXPECT_EQ(w.Seg(i).Paar, c.marks[static_cast<std::size_t>(i - 1)]) << i;
            EXPECT_EQ(w.e().suche.FirstOfClosePair(i), w.Seg(i).Paar == 1) << i;
        }
        if (c.marks[0] == 1) {
            // Searched as one retarder from the first's entry to the second's exit.
            EXPECT_EQ(w.Seg(1).XAus, c.starts[1] + 10 + w.Ok9());
            EXPECT_EQ(w.Vaus(1), w.Vaus(2));
            EXPECT_EQ(w.Seg(1).VEin, w.Seg(2).VEin);
        } else {
            EXPECT_EQ(w.Seg(1).XAus, c.starts[0] + 10 + w.Ok9());
        }
    }
}

TEST(ExitSpeedSearch, EnteredExitSpeedsBindWhenRespected) {
    // The retarder's entered exit speed 1.0 m/s is too low to bring the group to 300 m at
    // 2.5 m/s; the search would take about 1.7 m/s.
    for (const bool respect : {false, true}) {
        SCOPED_TRACE(respect ? "respected" : "free");
        SearchWorld w({{0.0, 400.0, -3.0, -3.0}}, [](std::int64_t t) {
            return test::SectionRows{test::Retarder(t, 100, 110, 1.0)};
        });
        w.e().fall.VausGleisRespect = respect;
        const double s = w.Search(2.5, 300, 3.0);
        if (!respect) {
            EXPECT_GT(w.Vaus(1), 1.5);
            EXPECT_NEAR(s, 2.5, 0.01);
            EXPECT_EQ(w.Seg(1).VEnde, 2.5);
            continue;
        }
        EXPECT_EQ(w.Vaus(1), 1.0);
        EXPECT_EQ(w.Seg(1).VAus, 1.0);
        // The segment now requires what the group brings to its end from the entered exit
        // speed, and the final run arrives with that.
        EXPECT_LT(w.Seg(1).VEnde, 2.5);
        EXPECT_GT(w.Seg(1).VEnde, 1.5);
        EXPECT_NEAR(s, w.Seg(1).VEnde, 0.01);
    }
}

TEST(ExitSpeedSearch, HalvingWithoutAnAcceptedTrial) {
    struct Case {
        const char* what;
        test::SectionRows neig;
        double exitExpected;  // the retarder's exit speed
    };
    const Case cases[] = {
        // Even the slowest trial (10 / 2^10 m/s) arrives far too fast at 300 m: it is the
        // closest one that reached the end.
        {"every trial too fast", {{0.0, 400.0, -30.0, -30.0}}, 10.0 / 1024},
        // Behind the retarder the track climbs so that no trial reaches 300 m.
        {"no trial reaches the end",
         {{0.0, 120.0, -10.0, -10.0}, {120.0, 400.0, 60.0, 60.0}},
         kSuchGrenze},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SearchWorld w(c.neig, [](std::int64_t t) {
            return test::SectionRows{test::Retarder(t, 100, 110, 20.0)};
        });
        w.Search(1.0, 300, 1.2);
        EXPECT_EQ(w.Seg(1).VAus, c.exitExpected);
        EXPECT_EQ(w.Vaus(1), c.exitExpected);
    }
}

TEST(ExitSpeedSearch, TooFastMarkWhenTheStartSegmentIsPassableOnlyAtTheLimit) {
    // Climbing 40 per mille from a start 20 m behind the crest, where no train pushes any
    // more: even at 10 m/s the group does not reach the retarder 230 m ahead.
    SearchWorld w({{0.0, 400.0, 40.0, 40.0}}, [](std::int64_t t) {
        return test::SectionRows{test::Retarder(t, 250, 260, 2.0)};
    });
    const double s = w.Search(1.0, 300, 1.2, 20);
    EXPECT_TRUE(w.e().suche.ZuSchnell);
    EXPECT_EQ(w.e().suche.MaxEinlauf, kSuchGrenze) << "no trial reached the retarder";
    EXPECT_LT(s, 0) << "the final run stops short";
    EXPECT_LT(w.e().result.DistEnd(), 30);

    // A falling start segment leaves the mark clear.
    SearchWorld down(kFalling, [](std::int64_t t) {
        return test::SectionRows{test::Retarder(t, 250, 260, 2.0)};
    });
    down.Search(1.0, 300, 1.2, 20);
    EXPECT_FALSE(down.e().suche.ZuSchnell);
}

TEST(ExitSpeedSearch, GroupLongerThanTheGapBetweenRetarders) {
    // Five bogie wagons (about 75 m): when the last axle leaves the first retarder the head
    // is long past the second one's entry. That segment is not integrated; its exit speed
    // is the speed required at its end.
    SearchWorld w(
        kFalling,
        [](std::int64_t t) {
            return test::SectionRows{test::Retarder(t, 100, 110, 8.0),
                                     test::Retarder(t, 150, 160, 8.0)};
        },
        5);
    const double s = w.Search(3.0, 350, 1.2);
    ASSERT_GT(w.Seg(1).XAus, w.Seg(1).XEnde);
    EXPECT_LE(w.Vaus(1), w.Seg(1).VEnde + 0.002);
    EXPECT_GT(w.Vaus(1), w.Seg(1).VEnde - 0.01);
    EXPECT_EQ(w.e().result.DistEnd(), 350);
    EXPECT_GT(s, 0);
}

TEST(ExitSpeedSearch, TargetBeforeTheFirstRetarderLeavesOnlyItsRecord) {
    SearchWorld w(kFalling, [](std::int64_t t) {
        return test::SectionRows{test::Retarder(t, 100, 110, 5.0),
                                 test::Retarder(t, 200, 210, 5.0)};
    });
    // Against each target: the last retarder whose entry the first axle reaches first.
    struct Case {
        double xz;
        int inxbr;
    };
    for (const Case& c :
         {Case{80, 1}, Case{150, 1}, Case{201.6, 1}, Case{201.7, 2}, Case{300, 2}}) {
        w.e().gleis.Inxbr = 2;
        LowerLastRetarder(w.e(), w.s->group, c.xz);
        EXPECT_EQ(w.e().gleis.Inxbr, c.inxbr) << c.xz;
    }
    w.e().gleis.Inxbr = 2;
    w.Search(1.5, 80, 1.2);
    EXPECT_EQ(w.e().gleis.Inxbr, 1);
    EXPECT_EQ(w.Seg(0).XEnde, 80) << "the start segment ends at the target";
    EXPECT_EQ(w.Seg(1).XEin, 80);
    EXPECT_EQ(w.Seg(1).XAus, 80);
    EXPECT_NEAR(w.Seg(1).VAus, 1.5, 0.01) << "the exit speed that meets the target speed";
    EXPECT_LE(w.Seg(1).VAus, 1.502);
    EXPECT_EQ(w.Seg(2).XEin, 0) << "the record behind the target is not filled";
    EXPECT_EQ(w.e().result.DistEnd(), 80);
}

}  // namespace
}  // namespace gvm::engine
