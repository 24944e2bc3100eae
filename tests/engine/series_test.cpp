// Result series: the lookups by distance, speed and time with their stop rules, the animation
// cursors, the copies between working series and stored results, and the capacity guards.
// Slots outside the rows in use are filled with NaN, so any read past the last row (or of
// slot 0) shows up as a NaN or a wrong row.

#include "engine/series.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <limits>
#include <memory>
#include <string>

namespace gvm::engine {
namespace {

constexpr double kStale = std::numeric_limits<double>::quiet_NaN();

struct Row {
    double dist, gesch, zeit, besch = 0;
};

// Rows 1..n as given; slot 0 and the few slots after the last row hold stale NaNs.
void Fill(TSeriesData& s, std::initializer_list<Row> rows) {
    s.NVyst = static_cast<int>(rows.size());
    for (auto* c : {&s.Dist, &s.Gesch, &s.Zeit, &s.Besch, &s.Bluft, &s.Bbrems, &s.Vluft, &s.Vrelat})
        for (int k = 0; k <= 4; ++k)
            (*c)[static_cast<std::size_t>(k == 0 ? 0 : s.NVyst + k)] = kStale;
    std::size_t i = 1;
    for (const Row& r : rows) {
        s.Dist[i] = r.dist;
        s.Gesch[i] = r.gesch;
        s.Zeit[i] = r.zeit;
        s.Besch[i] = r.besch;
        ++i;
    }
}

// Kept on the heap: each series holds a few MB.
std::unique_ptr<TVysledky> Series(std::initializer_list<Row> rows) {
    auto s = std::make_unique<TVysledky>();
    Fill(*s, rows);
    return s;
}

struct IndCase {
    double y;
    int ik;
    double dz;
};

void ExpectInd(TIndexR got, int ik, double dz) {
    EXPECT_EQ(got.Ik, ik);
    EXPECT_DOUBLE_EQ(got.Dz, dz);
}

TEST(SeriesSearch, ByDistanceStopsBeforeTheRowThatExceeds) {
    // A plateau (rows 2 and 3 at 5 m): the search for 5 passes it, because it stops only
    // where the next row lies strictly beyond x.
    const auto s = Series({{0, 0, 0}, {5, 0, 1}, {5, 0, 2}, {10, 0, 3}, {20, 0, 4}});
    const IndCase cases[] = {
        {0, 1, 0}, {2.5, 1, 0.5}, {5, 3, 0}, {7.5, 3, 0.5}, {15, 4, 0.5}, {20, 5, 0}, {99, 5, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.y);
        ExpectInd(s->GetIndAtDist(c.y), c.ik, c.dz);
    }
}

TEST(SeriesSearch, BySpeedStopsAtTheRowThatReaches) {
    // Unlike distance, a speed equal to the next row stops there (Dz 1), and equal
    // neighbour rows give Dz 0.
    const auto s = Series({{0, 1, 0}, {1, 1, 1}, {2, 2, 2}, {3, 3, 3}, {4, 3, 4}});
    const IndCase cases[] = {
        {1, 1, 0}, {1.5, 2, 0.5}, {2, 2, 1}, {2.5, 3, 0.5}, {3, 3, 1}, {7, 5, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.y);
        ExpectInd(s->GetIndAtGesch(c.y), c.ik, c.dz);
    }
}

TEST(SeriesSearch, ByTime) {
    struct Case {
        const char* what;
        std::unique_ptr<TVysledky> s;
        IndCase at;
    };
    const Case cases[] = {
        {"reaching the next row stops there",
         Series({{0, 0, 0}, {1, 0, 1}, {2, 0, 1}, {3, 0, 2}, {4, 0, 4}}),
         {1, 1, 1}},
        {"between rows",
         Series({{0, 0, 0}, {1, 0, 1}, {2, 0, 1}, {3, 0, 2}, {4, 0, 4}}),
         {3, 4, 0.5}},
        {"beyond the last row",
         Series({{0, 0, 0}, {1, 0, 1}, {2, 0, 1}, {3, 0, 2}, {4, 0, 4}}),
         {5, 5, 0}},
        // Zeit[5] / 5 = 8 points past the last row: the search starts at row 5 and walks back.
        {"start guess past the end",
         Series({{0, 0, 0}, {1, 0, 10}, {2, 0, 20}, {3, 0, 30}, {4, 0, 40}}),
         {15, 2, 0.5}},
        {"start guess inside, value before it",
         Series({{0, 0, 0}, {1, 0, 2}, {2, 0, 4}, {3, 0, 6}, {4, 0, 8}, {5, 0, 10}, {6, 0, 30}}),
         {1, 1, 0.5}},
        {"time 0 is the first row even when the run starts later",
         Series({{7, 0, 2}, {8, 0, 3}}),
         {0, 1, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ExpectInd(c.s->GetIndAtZeit(c.at.y), c.at.ik, c.at.dz);
    }
}

TEST(SeriesSearch, TimeAndDistanceConvert) {
    const auto s = Series({{7, 0, 2}, {8, 0, 3}, {10, 0, 5}, {16, 0, 6}});
    const struct {
        double t, x;
    } cases[] = {{0, 7}, {2, 7}, {2.5, 7.5}, {4, 9}, {5.5, 13}, {6, 16}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.t);
        EXPECT_DOUBLE_EQ(s->GetDistAtZeit(c.t), c.x);
        if (c.t != 0) {
            EXPECT_DOUBLE_EQ(s->GetZeitAtDist(c.x), c.t);
        }
    }
}

TEST(SeriesValues, InterpolateBetweenRowsAndHoldAtTheLast) {
    const auto s = Series({{0, 1, 0, -1}, {10, 3, 2, -3}, {30, 7, 4, -7}});
    const struct {
        const char* what;
        TIndexR at;
        double dist, gesch, zeit, besch;
    } cases[] = {
        {"row", {2, 0}, 10, 3, 2, -3},
        {"quarter way", {1, 0.25}, 2.5, 1.5, 0.5, -1.5},
        {"full way", {2, 1}, 30, 7, 4, -7},
        {"last row with a fraction", {3, 0.5}, 30, 7, 4, -7},
        {"row after the last", {4, 0}, 30, 7, 4, -7},
        {"row 0", {0, 0.5}, 5, 2, 1, -2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_DOUBLE_EQ(s->GetDistAtInd(c.at), c.dist);
        EXPECT_DOUBLE_EQ(s->GetGeschAtInd(c.at), c.gesch);
        EXPECT_DOUBLE_EQ(s->GetZeitAtInd(c.at), c.zeit);
        EXPECT_DOUBLE_EQ(s->GetBeschlAtInd(c.at), c.besch);
    }
}

TEST(SeriesShort, EmptyAndOneRowSeriesNeverReadPastTheirRows) {
    const auto empty = Series({});
    const auto one = Series({{4, 2, 1, -1}});
    const struct {
        const char* what;
        TVysledky* s;
    } cases[] = {{"empty", empty.get()}, {"one row", one.get()}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (double y : {0.0, 0.5, 1.0, 3.0}) {
            SCOPED_TRACE(y);
            ExpectInd(c.s->GetIndAtDist(y), 1, 0);
            ExpectInd(c.s->GetIndAtGesch(y), 1, 0);
            ExpectInd(c.s->GetIndAtZeit(y), 1, 0);
            ExpectInd(c.s->GetIndAtZeitAnim(y), 1, 0);
            ExpectInd(c.s->GetIndAtZeitAnimZpet(y), 1, 0);
            EXPECT_EQ(c.s->IkAkt, 1);
        }
    }
    for (TIndexR at : {TIndexR{1, 0}, TIndexR{1, 0.5}, TIndexR{2, 0}}) {
        EXPECT_EQ(empty->GetDistAtInd(at), 0);
        EXPECT_EQ(empty->GetZeitAtInd(at), 0);
        EXPECT_DOUBLE_EQ(one->GetDistAtInd(at), 4);
        EXPECT_DOUBLE_EQ(one->GetGeschAtInd(at), 2);
    }
    EXPECT_EQ(empty->GetDistAtZeit(0), 0);
    EXPECT_EQ(empty->GetZeitAtDist(5), 0);
    EXPECT_DOUBLE_EQ(one->GetDistAtZeit(0), 4);
    EXPECT_DOUBLE_EQ(one->GetZeitAtDist(9), 1);
}

TEST(SeriesAnimation, CursorFollowsSuccessiveTimes) {
    // Rows at 0, 1, 2, 3, 4, 5 s. At an exact row time the forward cursor stays on the row
    // before (Dz 1), the backward one lands on the row itself (Dz 0).
    const auto s = Series({{0, 0, 0}, {1, 0, 1}, {2, 0, 2}, {3, 0, 3}, {4, 0, 4}, {5, 0, 5}});
    enum Dir { fwd, back };
    const struct {
        Dir dir;
        double t;
        int ik;
        double dz;
    } steps[] = {
        {fwd, 0, 1, 0},        {fwd, 0.5, 1, 0.5},  {fwd, 2, 2, 1},      {fwd, 2.5, 3, 0.5},
        {fwd, 4.5, 5, 0.5},    {fwd, 9, 6, 0},      {back, 3.5, 4, 0.5}, {back, 2, 3, 0},
        {back, 0.25, 1, 0.25}, {fwd, 3, 3, 1},      {back, 0, 1, 0},     {fwd, 5, 5, 1},
        {fwd, 0, 1, 0},        {back, 4.5, 5, 0.5},
    };
    for (const auto& st : steps) {
        SCOPED_TRACE(testing::Message() << (st.dir == fwd ? "forward " : "backward ") << st.t);
        const TIndexR got =
            st.dir == fwd ? s->GetIndAtZeitAnim(st.t) : s->GetIndAtZeitAnimZpet(st.t);
        ExpectInd(got, st.ik, st.dz);
        EXPECT_EQ(s->IkAkt, st.ik);
    }
}

TEST(SeriesAnimation, CursorPastTheRowsOfANewSeries) {
    // The cursor still points into a longer series that was replaced by a shorter one.
    for (bool forward : {true, false}) {
        SCOPED_TRACE(forward ? "forward" : "backward");
        const auto s = Series({{0, 0, 0}, {1, 0, 1}, {2, 0, 2}});
        s->IkAkt = 40;
        ExpectInd(forward ? s->GetIndAtZeitAnim(1.5) : s->GetIndAtZeitAnimZpet(1.5), 2, 0.5);
        s->IkAkt = 40;
        ExpectInd(forward ? s->GetIndAtZeitAnim(8) : s->GetIndAtZeitAnimZpet(8), 3, 0);
    }
}

// A completed working series with rows, exit speeds and control records.
void FillWork(TWorkSeries& w, int rows, double base) {
    w.Clear();
    for (int i = 1; i <= rows; ++i)
        w.AddRow(base + i, base + 0.1 * i, base + 0.2 * i, base + 0.3 * i, base + 0.4 * i,
                 base + 0.5 * i, base + 0.6 * i, base + 0.7 * i, static_cast<std::uint8_t>(i % 14));
    w.Vaus.fill(kVausInactive);
    w.Vaus[3] = base + 4.5;
    w.NAus = 3;
    w.VausOhneLimit = true;
    for (int k = 1; k <= 2; ++k) {
        TBKINA r;
        r.Kv = k;
        r.X = base + k;
        r.Bki = {base, 99, 99, 99};
        r.Nb = {k, 0, 0, 0};
        r.Bki0 = -base;
        r.Sbkb = 0.5;
        r.Sbkm = 0.25;
        r.VSoll = base + 5;
        w.AddBKINA(r);
    }
}

void ExpectSameData(const TSeriesData& got, const TSeriesData& want) {
    ASSERT_EQ(got.NVyst, want.NVyst);
    for (std::size_t i = 1; i <= static_cast<std::size_t>(want.NVyst); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(got.Dist[i], want.Dist[i]);
        EXPECT_EQ(got.Besch[i], want.Besch[i]);
        EXPECT_EQ(got.Gesch[i], want.Gesch[i]);
        EXPECT_EQ(got.Zeit[i], want.Zeit[i]);
        EXPECT_EQ(got.Bluft[i], want.Bluft[i]);
        EXPECT_EQ(got.Bbrems[i], want.Bbrems[i]);
        EXPECT_EQ(got.Vluft[i], want.Vluft[i]);
        EXPECT_EQ(got.Vrelat[i], want.Vrelat[i]);
        EXPECT_EQ(got.TeilSchr[i], want.TeilSchr[i]);
    }
    EXPECT_EQ(got.Vaus, want.Vaus);
    EXPECT_EQ(got.NAus, want.NAus);
    EXPECT_EQ(got.VausOhneLimit, want.VausOhneLimit);
    ASSERT_EQ(got.IvBKINA, want.IvBKINA);
    for (std::size_t k = 1; k <= static_cast<std::size_t>(want.IvBKINA); ++k) {
        SCOPED_TRACE(k);
        const TBKINA& g = got.BKINARes[k];
        const TBKINA& e = want.BKINARes[k];
        EXPECT_EQ(g.Kv, e.Kv);
        EXPECT_EQ(g.X, e.X);
        EXPECT_EQ(g.Bki, e.Bki);
        EXPECT_EQ(g.Nb, e.Nb);
        EXPECT_EQ(g.Bki0, e.Bki0);
        EXPECT_EQ(g.Sbkb, e.Sbkb);
        EXPECT_EQ(g.Sbkm, e.Sbkm);
        EXPECT_EQ(g.VSoll, e.VSoll);
    }
}

TEST(SeriesCopy, StoreAndReadBackThroughTheWorkingSeries) {
    auto work = std::make_unique<TWorkSeries>();
    FillWork(*work, 6, 10);
    auto r = std::make_unique<TVysledky>();
    r->ResXZiel = 55;
    r->WarnungMessage = "kept";

    r->DataSpeichern(*work, 1.5, -12.5, 14);
    ExpectSameData(*r, *work);
    EXPECT_EQ(r->Ok1, 1.5);
    EXPECT_EQ(r->Ok9, -12.5);
    EXPECT_EQ(r->Sx(), 14);
    EXPECT_EQ(r->SimZeitEnd, work->Zeit[6]);
    EXPECT_TRUE(r->Bereit);
    EXPECT_FALSE(r->Berechnet);  // the engine decides that
    EXPECT_EQ(r->ResXZiel, 55);
    EXPECT_EQ(r->WarnungMessage, "kept");

    // A later, longer run in the working series is replaced by the stored one.
    r->Berechnet = true;
    auto other = std::make_unique<TWorkSeries>();
    FillWork(*other, 9, 20);
    r->DataLesen(*other);
    ExpectSameData(*other, *work);
}

TEST(SeriesCopy, StoringAnEmptyRunEndsAtTimeZero) {
    auto work = std::make_unique<TWorkSeries>();
    work->Zeit[0] = kStale;
    auto r = std::make_unique<TVysledky>();
    r->SimZeitEnd = 9;
    r->DataSpeichern(*work, 0, 0, 0);
    EXPECT_EQ(r->NumVyst(), 0);
    EXPECT_EQ(r->SimZeitEnd, 0);
    EXPECT_TRUE(r->Bereit);
}

TEST(SeriesCopy, ReadingAnUncalculatedResultEmptiesTheWorkingSeriesOnly) {
    auto stored = std::make_unique<TWorkSeries>();
    FillWork(*stored, 4, 30);
    auto r = std::make_unique<TVysledky>();
    r->DataSpeichern(*stored, 0, 0, 0);
    ASSERT_FALSE(r->Berechnet);

    auto work = std::make_unique<TWorkSeries>();
    FillWork(*work, 7, 10);
    r->DataLesen(*work);
    EXPECT_EQ(work->NVyst, 0);
    EXPECT_EQ(work->IvBKINA, 0);
    EXPECT_EQ(work->Vaus[3], 14.5);
    EXPECT_EQ(work->NAus, 3);
    EXPECT_EQ(work->Dist[1], 11);
    EXPECT_EQ(work->BKINARes[1].VSoll, 15);
}

TEST(SeriesCopy, AssignCarriesEveryField) {
    auto work = std::make_unique<TWorkSeries>();
    FillWork(*work, 5, 10);
    auto src = std::make_unique<TVysledky>();
    src->DataSpeichern(*work, 2, -8, 10);
    src->ResXZiel = 120;
    src->ResVZiel = 1.5;
    src->ZielEingegeben = true;
    src->Berechnet = true;
    src->IkAkt = 4;
    src->WarnungMessage = "Warnung";
    src->ResultsMeldung = rmWarn;

    auto dst = std::make_unique<TVysledky>();
    dst->Assign(*src);
    ExpectSameData(*dst, *src);
    EXPECT_EQ(dst->Ok1, 2);
    EXPECT_EQ(dst->Ok9, -8);
    EXPECT_EQ(dst->SxF, 10);
    EXPECT_EQ(dst->SimZeitEnd, src->SimZeitEnd);
    EXPECT_EQ(dst->ResXZiel, 120);
    EXPECT_EQ(dst->ResVZiel, 1.5);
    EXPECT_TRUE(dst->ZielEingegeben);
    EXPECT_TRUE(dst->Berechnet);
    EXPECT_TRUE(dst->Bereit);
    EXPECT_EQ(dst->IkAkt, 4);
    EXPECT_EQ(dst->WarnungMessage, "Warnung");
    EXPECT_EQ(dst->ResultsMeldung, rmWarn);

    dst->Assign(*dst);
    ExpectSameData(*dst, *src);
}

TEST(SeriesCopy, ShorterSeriesIntoLongerEndsAtItsOwnLastRow) {
    const auto longer =
        Series({{0, 1, 0}, {10, 2, 1}, {20, 3, 2}, {30, 4, 3}, {40, 5, 4}, {50, 6, 5}});
    const auto shorter = Series({{0, 1, 0}, {4, 2, 1}, {8, 3, 2}});
    longer->Assign(*shorter);
    EXPECT_EQ(longer->NumVyst(), 3);
    EXPECT_EQ(longer->DistEnd(), 8);
    EXPECT_EQ(longer->ZeitEnd(), 2);
    ExpectInd(longer->GetIndAtDist(25), 3, 0);
    ExpectInd(longer->GetIndAtZeit(4), 3, 0);
    EXPECT_EQ(longer->GetDistAtZeit(4), 8);
    EXPECT_EQ(longer->GetDistAtInd({3, 0.5}), 8);
    // Only the rows in use are copied; the slots after them keep their stale values.
    EXPECT_EQ(longer->Dist[4], 30);
}

TEST(SeriesCopy, ClearForgetsTheRunButKeepsTheRest) {
    auto work = std::make_unique<TWorkSeries>();
    FillWork(*work, 3, 10);
    auto r = std::make_unique<TVysledky>();
    r->DataSpeichern(*work, 1, 2, 3);
    r->Berechnet = true;
    r->WarnungMessage = "w";
    r->ResultsMeldung = rmBemerk;
    r->Clear();
    EXPECT_EQ(r->NumVyst(), 0);
    EXPECT_FALSE(r->Berechnet);
    EXPECT_FALSE(r->Bereit);
    EXPECT_EQ(r->WarnungMessage, "");
    EXPECT_EQ(r->Ok9, 2);
    EXPECT_EQ(r->ResultsMeldung, rmBemerk);
    EXPECT_EQ(r->GetDistAtZeit(0), 0);

    auto fresh = std::make_unique<TVysledky>();
    EXPECT_EQ(fresh->NumVyst(), 0);
    EXPECT_FALSE(fresh->Berechnet);
}

TEST(SeriesCapacity, RowsAndControlRecordsStopAtTheirLimits) {
    auto w = std::make_unique<TWorkSeries>();
    const auto guard = static_cast<std::size_t>(kMaxRows + 1);
    w->Dist[guard] = -7;
    for (int i = 1; i <= kMaxRows; ++i) ASSERT_TRUE(w->AddRow(i, 0, 0, i, 0, 0, 0, 0, evNone)) << i;
    EXPECT_FALSE(w->AddRow(-1, 0, 0, -1, 0, 0, 0, 0, evStillstand));
    EXPECT_EQ(w->NVyst, kMaxRows);
    EXPECT_EQ(w->Dist[kMaxRows], kMaxRows);
    EXPECT_EQ(w->Dist[guard], -7);

    TBKINA rec;
    for (int k = 1; k <= kMaxBKINA; ++k) {
        rec.Kv = k;
        ASSERT_TRUE(w->AddBKINA(rec)) << k;
    }
    rec.Kv = -1;
    EXPECT_FALSE(w->AddBKINA(rec));
    EXPECT_EQ(w->IvBKINA, kMaxBKINA);
    EXPECT_EQ(w->BKINARes[kMaxBKINA].Kv, kMaxBKINA);

    // A full series survives the round trip and its lookups end at the last row.
    auto r = std::make_unique<TVysledky>();
    r->DataSpeichern(*w, 0, 0, 0);
    r->Berechnet = true;
    EXPECT_EQ(r->SimZeitEnd, kMaxRows);
    ExpectInd(r->GetIndAtZeit(kMaxRows + 10), kMaxRows, 0);
    w->Clear();
    EXPECT_EQ(w->NVyst, 0);
    EXPECT_EQ(w->IvBKINA, 0);
    r->DataLesen(*w);
    ExpectSameData(*w, *r);
}

TEST(SeriesTexts, EventsAndGrades) {
    const struct {
        int code;
        const char* first;
        const char* second;
    } events[] = {
        {0, "", ""},
        {1, "Einlauf Achse", "auf Bremse"},
        {2, "Auslauf Achse", "aus Bremse"},
        {3, "Ausschalten  ", "der Bremse"},
        {4, "Einschalten  ", "der Bremse"},
        {5, "Ablösepunkt  ", ""},
        {6, "Stillstand   ", ""},
        {7, "Aufpufferung ", ""},
        {8, "Ende Teilschritt", ""},
        {9, "Einlauf Achse", "auf Weiche"},
        {10, "Auslauf Achse", "aus Weiche"},
        {11, "Einlauf auf Hemmschuh", ""},
        {12, "Stillstand - Hemmschuh", ""},
        {13, "Zielposition erreicht", ""},
        {14, "", ""},
        {-1, "", ""},
    };
    for (const auto& e : events) {
        SCOPED_TRACE(e.code);
        EXPECT_EQ(std::string(EventText1(e.code)), e.first);
        EXPECT_EQ(std::string(EventText2(e.code)), e.second);
    }
    EXPECT_EQ(std::string(ToString(rmOK)), "rmOK");
    EXPECT_EQ(std::string(ToString(rmBemerk)), "rmBemerk");
    EXPECT_EQ(std::string(ToString(rmWarn)), "rmWarn");
    EXPECT_EQ(std::string(ToString(rmError)), "rmError");
}

}  // namespace
}  // namespace gvm::engine
