#include "engine/series.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace gvm::engine {

namespace {

struct EventTexts {
    const char* first;
    const char* second;
};

// Index = event code. The blanks pad the short texts to the width the message lines expect.
constexpr EventTexts kEventTexts[] = {
    {"", ""},
    {"Einlauf Achse", "auf Bremse"},
    {"Auslauf Achse", "aus Bremse"},
    {"Ausschalten  ", "der Bremse"},
    {"Einschalten  ", "der Bremse"},
    {"Ablösepunkt  ", ""},
    {"Stillstand   ", ""},
    {"Aufpufferung ", ""},
    {"Ende Teilschritt", ""},
    {"Einlauf Achse", "auf Weiche"},
    {"Auslauf Achse", "aus Weiche"},
    {"Einlauf auf Hemmschuh", ""},
    {"Stillstand - Hemmschuh", ""},
    {"Zielposition erreicht", ""},
};
constexpr int kEventCount = static_cast<int>(std::size(kEventTexts));

const EventTexts& TextsOf(int code) {
    return kEventTexts[code >= 0 && code < kEventCount ? code : 0];
}

// Rows in use. NVyst is a public member; clamping here keeps every lookup inside the arrays
// even if a caller left it out of range.
int RowsInUse(const TSeriesData& s) {
    return std::clamp(s.NVyst, 0, kMaxRows);
}

double At(const std::vector<double>& c, int i) {
    return c[static_cast<std::size_t>(i)];
}

// Fraction of the way from row i to row i + 1 at which column c reaches y. The last row has
// no successor (the slot after it holds no result), so a position there is the row itself.
double Fraction(const std::vector<double>& c, int rows, int i, double y) {
    if (i >= rows) return 0;
    const double step = At(c, i + 1) - At(c, i);
    return step == 0 ? 0 : (y - At(c, i)) / step;
}

enum class StopAt { Above, AtOrAbove };

// Linear search of a monotone column from row `start`: first back while y lies below the
// row, then forward until the next row reaches y.
TIndexR Search(const std::vector<double>& c, int rows, double y, int start, StopAt stop) {
    if (rows == 0) return {};
    int i = std::clamp(start, 1, rows);
    while (i >= 2 && y < At(c, i)) --i;
    const auto reached = [&](int k) {
        return stop == StopAt::Above ? y < At(c, k) : y <= At(c, k);
    };
    while (i < rows && !reached(i + 1)) ++i;
    return {i, Fraction(c, rows, i, y)};
}

// Interpolated value at a position; rows outside 1..NVyst are never read. Beyond the last
// row the value stays at the last row's: the series carries no information past its end.
double ValueAt(const std::vector<double>& c, int rows, TIndexR p) {
    if (rows == 0) return 0;
    const int i = std::clamp(p.Ik, 1, rows);
    if (i == rows || p.Dz == 0) return At(c, i);
    return p.Dz * At(c, i + 1) + (1 - p.Dz) * At(c, i);
}

}  // namespace

const char* EventText1(int code) {
    return TextsOf(code).first;
}
const char* EventText2(int code) {
    return TextsOf(code).second;
}

const char* ToString(TResMeldung grade) {
    switch (grade) {
        case rmOK:
            return "rmOK";
        case rmBemerk:
            return "rmBemerk";
        case rmWarn:
            return "rmWarn";
        case rmError:
            return "rmError";
    }
    return "";
}

TSeriesData::TSeriesData()
    : Dist(kSeriesSlots),
      Besch(kSeriesSlots),
      Gesch(kSeriesSlots),
      Zeit(kSeriesSlots),
      Bluft(kSeriesSlots),
      Bbrems(kSeriesSlots),
      Vluft(kSeriesSlots),
      Vrelat(kSeriesSlots),
      TeilSchr(kSeriesSlots),
      BKINARes(kMaxBKINA + 1) {}

void TSeriesData::CopyRowsFrom(const TSeriesData& source) {
    if (&source == this) return;
    // An engine copies series many times per search: move only the rows in use, not the
    // whole 2.3 MB of capacity. Stale rows past NVyst are never read.
    const auto slots = static_cast<std::ptrdiff_t>(RowsInUse(source)) + 1;
    const auto records = static_cast<std::ptrdiff_t>(std::clamp(source.IvBKINA, 0, kMaxBKINA));
    const auto copyColumn = [slots](const auto& from, auto& to) {
        std::copy_n(from.begin(), slots, to.begin());
    };
    copyColumn(source.Dist, Dist);
    copyColumn(source.Besch, Besch);
    copyColumn(source.Gesch, Gesch);
    copyColumn(source.Zeit, Zeit);
    copyColumn(source.Bluft, Bluft);
    copyColumn(source.Bbrems, Bbrems);
    copyColumn(source.Vluft, Vluft);
    copyColumn(source.Vrelat, Vrelat);
    copyColumn(source.TeilSchr, TeilSchr);
    std::copy_n(source.BKINARes.begin() + 1, records, BKINARes.begin() + 1);
    NVyst = RowsInUse(source);
    IvBKINA = static_cast<int>(records);
    Vaus = source.Vaus;
    NAus = source.NAus;
    VausOhneLimit = source.VausOhneLimit;
}

bool TWorkSeries::AddRow(double dist, double besch, double gesch, double zeit, double bluft,
                         double bbrems, double vluft, double vrelat, std::uint8_t event) {
    if (NVyst < 0 || NVyst >= kMaxRows) return false;
    const auto i = static_cast<std::size_t>(++NVyst);
    Dist[i] = dist;
    Besch[i] = besch;
    Gesch[i] = gesch;
    Zeit[i] = zeit;
    Bluft[i] = bluft;
    Bbrems[i] = bbrems;
    Vluft[i] = vluft;
    Vrelat[i] = vrelat;
    TeilSchr[i] = event;
    return true;
}

bool TWorkSeries::AddBKINA(const TBKINA& record) {
    if (IvBKINA < 0 || IvBKINA >= kMaxBKINA) return false;
    BKINARes[static_cast<std::size_t>(++IvBKINA)] = record;
    return true;
}

void TWorkSeries::Clear() {
    NVyst = 0;
    IvBKINA = 0;
}

void TVysledky::Clear() {
    NVyst = 0;
    Berechnet = false;
    Bereit = false;
    WarnungMessage.clear();
}

void TVysledky::Assign(const TVysledky& source) {
    if (&source == this) return;
    CopyRowsFrom(source);
    Ok1 = source.Ok1;
    Ok9 = source.Ok9;
    SxF = source.SxF;
    SimZeitEnd = source.SimZeitEnd;
    ResXZiel = source.ResXZiel;
    ResVZiel = source.ResVZiel;
    ZielEingegeben = source.ZielEingegeben;
    Berechnet = source.Berechnet;
    Bereit = source.Bereit;
    IkAkt = source.IkAkt;
    WarnungMessage = source.WarnungMessage;
    ResultsMeldung = source.ResultsMeldung;
}

void TVysledky::DataSpeichern(const TWorkSeries& work, double ok1, double ok9, double sx) {
    CopyRowsFrom(work);
    Ok1 = ok1;
    Ok9 = ok9;
    SxF = sx;
    SimZeitEnd = NVyst > 0 ? ZeitEnd() : 0;
    Bereit = true;
}

void TVysledky::DataLesen(TWorkSeries& work) const {
    if (!Berechnet) {
        work.Clear();
        return;
    }
    work.CopyRowsFrom(*this);
}

TIndexR TVysledky::GetIndAtDist(double x) const {
    return Search(Dist, RowsInUse(*this), x, 1, StopAt::Above);
}

TIndexR TVysledky::GetIndAtGesch(double v) const {
    return Search(Gesch, RowsInUse(*this), v, 1, StopAt::AtOrAbove);
}

TIndexR TVysledky::GetIndAtZeit(double t) const {
    const int rows = RowsInUse(*this);
    if (t == 0 || rows == 0) return {};
    // Start near the row the mean time per row points at; the search walks back if it is
    // past t. The guess is only a starting row, so it is held inside the rows in use.
    const double guess = std::trunc(At(Zeit, rows) / rows);
    const int start = guess > rows ? rows : guess >= 1 ? static_cast<int>(guess) : 1;
    return Search(Zeit, rows, t, start, StopAt::AtOrAbove);
}

double TVysledky::GetDistAtInd(TIndexR i) const {
    return ValueAt(Dist, RowsInUse(*this), i);
}
double TVysledky::GetGeschAtInd(TIndexR i) const {
    return ValueAt(Gesch, RowsInUse(*this), i);
}
double TVysledky::GetBeschlAtInd(TIndexR i) const {
    return ValueAt(Besch, RowsInUse(*this), i);
}
double TVysledky::GetZeitAtInd(TIndexR i) const {
    return ValueAt(Zeit, RowsInUse(*this), i);
}

double TVysledky::GetZeitAtDist(double x) const {
    return GetZeitAtInd(GetIndAtDist(x));
}
double TVysledky::GetDistAtZeit(double t) const {
    return GetDistAtInd(GetIndAtZeit(t));
}

TIndexR TVysledky::GetIndAtZeitAnim(double t) {
    const int rows = RowsInUse(*this);
    int i = 1;
    if (rows > 0 && (t != 0 || IkAkt > 1)) {
        i = std::clamp(IkAkt, 1, rows);
        while (i > 1 && t < At(Zeit, i)) --i;
        while (i < rows && t > At(Zeit, i + 1)) ++i;
    }
    IkAkt = i;
    return {i, Fraction(Zeit, rows, i, t)};
}

TIndexR TVysledky::GetIndAtZeitAnimZpet(double t) {
    const int rows = RowsInUse(*this);
    int i = 1;
    if (rows > 0 && t != 0) {
        i = std::clamp(IkAkt, 1, rows);
        while (i < rows && t > At(Zeit, i + 1)) ++i;
        while (i > 1 && t < At(Zeit, i)) --i;
    }
    IkAkt = i;
    return {i, Fraction(Zeit, rows, i, t)};
}

}  // namespace gvm::engine
