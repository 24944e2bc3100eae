#include "runcontrol/run_summary.h"

#include <algorithm>

#include "base/text.h"
#include "engine/engine.h"
#include "engine/exit_speed_search.h"

namespace gvm::runcontrol {

namespace {

// Shown for a value that is not available.
const std::string kNotReady = "-";
constexpr int kTop = 0, kMiddle = 1, kBottom = 2;

std::size_t Slot(int i) { return static_cast<std::size_t>(i); }

bool InSlots(int i) { return i >= 1 && i <= model::kMaxBremsen; }

// Up to three retarders of the summary, in picking order; 0 where none was found.
struct TPicked {
    std::array<int, 3> k{};  // first, second, third picked
    int count = 0;
};

TPicked PickRetarders(const TSummaryRetarders& t, int mode) {
    const int lo = mode == model::kZulaufprozess ? 1 : t.IbrStart;
    const int hi = std::min(mode == model::kZulaufprozess ? t.IbrStart - 1 : t.Inxbr, model::kMaxBremsen);
    TPicked p;
    if (lo < 1 || lo > hi) return p;
    int k = lo;
    // The first part of a double retarder or of a close pair stands for the pair.
    if ((t.Kodd[Slot(k)] == 1 || t.Paar[Slot(k)] == 1) && InSlots(k + 1)) ++k;
    p.k[0] = k;
    p.count = 1;
    for (int n = 1; n < 3 && k < hi; ++n) {
        ++k;
        if (t.Kodd[Slot(k)] == 1 && InSlots(k + 1)) ++k;
        p.k[static_cast<std::size_t>(n)] = k;
        p.count = n + 1;
    }
    return p;
}

// Rows from the top: third, second, first picked; with fewer than three the found ones move
// down one row.
std::array<int, 3> RowRetarders(const TPicked& p) {
    if (p.count == 3) return {p.k[2], p.k[1], p.k[0]};
    return {p.k[1], p.k[0], 0};
}

std::string RowLabel(int row, int retarder, const TPicked& p, int mode, const TSummaryRetarders& t) {
    const bool runIn = mode == model::kZulaufprozess;
    std::string label;
    if (p.count == 3) {
        static constexpr const char* kNames[3][2] = {{"Richtungsbremse ", "Zulaufbremse "},
                                                     {"Talbremse ", "Hilfsbremse "},
                                                     {"Hauptbremse ", "Einlaufbremse "}};
        label = kNames[row][runIn ? 1 : 0];
    } else {
        const auto place = std::find(p.k.begin(), p.k.end(), retarder) - p.k.begin() + 1;
        label = std::to_string(place) + ". Bremse  ";
    }
    return label + t.TypName[Slot(retarder)];
}

double LastSpeed(const engine::TVysledky& s) { return s.Gesch[Slot(s.NVyst)]; }

struct TRowContext {
    const TSummaryInput& in;
    bool ready;
    int topRetarder;  // the top-most row's retarder: the last one picked
};

void FillRow(TSummaryRow& row, int k, const TRowContext& c) {
    const TSummaryInput& in = c.in;
    const engine::TVysledky& cur = in.current;
    const NumberFormat& nf = in.nf;
    const TSummaryRetarders& t = in.track;
    const double x = t.Xbo[Slot(k)] + t.Xnull + cur.Ok9;
    const bool any = cur.NVyst > 0;
    const bool endsBefore = !any || cur.DistEnd() < x;
    const bool top = k == c.topRetarder;

    double v = any ? engine::SpeedAtPosition(cur, x, in.ddx, in.q) : -1;
    if (v < 0 && any) v = LastSpeed(cur);
    if (in.mode == model::kZielbremsung && top && endsBefore && any) v = LastSpeed(cur);
    row.distance = FormatFloatF(x, 15, 2, nf);
    const bool noSpeed = v < 0 || (in.mode == model::kNormalLauf && endsBefore);
    row.speed = noSpeed ? kNotReady : FormatFloatF(v, 15, 4, nf);
    if (in.mode == model::kZielbremsung && top) row.distanceRed = row.speedRed = any && !endsBefore;

    row.entered = FormatFloatF(t.VausGleis[Slot(k)], 15, 2, nf);
    if (in.mode == model::kNormalLauf) {
        row.second = FormatGeneral(t.Wbr[Slot(k)], nf);
    } else if (!c.ready) {
        row.second = kNotReady;
    } else {
        const double found = top && t.Vaus[Slot(k)] < 0.1 ? 0.0 : in.modeSet.Vaus[Slot(k)];
        row.second = FormatFloatF(found, 15, 4, nf);
    }
}

void FillStatus(TRunSummary& s, const TSummaryInput& in) {
    if (in.outdated) {
        s.status = "Resultate noch nicht ermittelt";
        s.statusColour = TStatusColour::Red;
        return;
    }
    s.detailsVisible = true;
    const engine::TVysledky& cur = in.current;
    // A refused run may leave its grade without a message; it never reads as a success.
    const bool incorrect = cur.ResultsMeldung >= engine::rmWarn;
    if (!cur.WarnungMessage.empty()) {
        s.statusBold = true;
        s.status = incorrect ? "Resultate sind unkorrekt" : "Resultate erzielt mit Bemerkungen";
        s.statusColour = incorrect ? TStatusColour::Red : TStatusColour::Green;
        s.messageVisible = true;
        s.message = cur.WarnungMessage;
    } else if (incorrect) {
        s.statusBold = true;
        s.status = "Resultate sind unkorrekt";
        s.statusColour = TStatusColour::Red;
    } else {
        s.status = "Resultate OK";
    }
}

void FillStartEnd(TRunSummary& s, const TSummaryInput& in, bool ready) {
    const engine::TVysledky& cur = in.current;
    const NumberFormat& nf = in.nf;
    s.startDistance = s.startSpeed = s.endDistance = s.endSpeed = kNotReady;
    if (cur.NVyst <= 0) return;
    s.startDistance = FormatFloatF(cur.Dist1(), 15, 2, nf);
    s.startSpeed = FormatFloatF(cur.Gesch[1], 15, 4, nf);
    double x = cur.DistEnd(), v = LastSpeed(cur);
    if (in.mode != model::kNormalLauf) {
        if (!ready) return;
        x = in.mode == model::kZielbremsung ? std::min(in.XZielbrems, cur.DistEnd()) : in.XZulaufEnde;
        v = engine::SpeedAtPosition(cur, x, in.ddx, in.q);
    }
    s.endDistance = FormatFloatF(x, 15, 2, nf);
    s.endSpeed = v < 0 ? kNotReady : FormatFloatF(v, 15, 4, nf);
}

void FillTargetAndMax(TRunSummary& s, const TSummaryInput& in, bool ready, int topRetarder) {
    const NumberFormat& nf = in.nf;
    const engine::TVysledky& cur = in.current;
    s.targetSpeed = kNotReady;
    if (in.mode == model::kNormalLauf) {
        const double v = cur.NVyst > 0 ? engine::SpeedAtPosition(cur, in.Xtot, in.ddx, in.q) : -1;
        // A run that stops short of Xtot has no speed there.
        if (v >= 0) s.targetSpeed = FormatFloatF(v, 15, 2, nf);
        return;
    }
    s.checkBoxVisible = true;
    s.maxVisible = true;
    if (in.mode == model::kZielbremsung) {
        if (ready) s.targetSpeed = FormatFloatF(in.VZielbrems, 15, 2, nf);
        s.maxLabel = "Maximale Einlaufgeschwindigkeit";
        s.maxValue = FormatFloatF(in.MaxEinlauf, 15, 2, nf);
        return;
    }
    if (ready) s.targetSpeed = FormatFloatF(in.VZulaufEnde, 15, 2, nf);
    s.maxLabel = "Max. Auslaufgschw. der Einlaufbremse";
    s.maxValue = in.ZulaufVmaxStart == 0 ? kNotReady : FormatFloatF(in.ZulaufVmaxStart, 15, 2, nf);
    // The overhang is measured from the last retarder, the top-most row that holds one.
    if (ready && topRetarder > 0 && cur.NVyst > 0) {
        s.overhangVisible = true;
        const double end = in.track.Xbo[Slot(topRetarder)] + in.track.Xnull;
        s.overhang = FormatFloatF(cur.DistEnd() - end, 15, 2, nf);
    }
}

}  // namespace

TSummaryRetarders SummaryRetarders(const model::TGleis& gleis, const engine::TEngine& engine) {
    TSummaryRetarders t;
    t.IbrStart = gleis.IbrStart;
    t.Inxbr = gleis.Inxbr;
    t.Xnull = gleis.Xnull;
    const int n = std::clamp(gleis.Nxbr, 0, model::kMaxBremsen);
    for (int i = 1; i <= n; ++i) {
        const auto k = Slot(i);
        t.Kodd[k] = gleis.Kodd[k];
        t.Paar[k] = engine.suche.Segment[k].Paar;
        t.Xbo[k] = gleis.Xbo[k];
        t.VausGleis[k] = gleis.VausGleis[k];
        t.Vaus[k] = engine.gleis.Vaus[k];
        t.Wbr[k] = gleis.Wbr[k];
        const int type = gleis.BremsArtNo[k];
        if (type >= 1 && type <= model::kMaxBremsArt && gleis.Bremsen[Slot(type)])
            t.TypName[k] = gleis.Bremsen[Slot(type)]->Name;
    }
    return t;
}

TRunSummary BuildRunSummary(const TSummaryInput& in) {
    TRunSummary s;
    FillStatus(s, in);
    s.enteredHeading = "Eingegebene Auslauf- geschwindigkeit [m/s]";
    s.secondHeading = in.mode == model::kNormalLauf ? "\nWirkungsgrad der Bremse\n[%]"
                                                    : "Ermittelte Auslauf- geschwindigkeit [m/s]";
    const bool ready = in.modeSet.Bereit;
    const TPicked picked = PickRetarders(in.track, in.mode);
    const std::array<int, 3> rowK = RowRetarders(picked);
    const int topRetarder = rowK[kTop] ? rowK[kTop] : rowK[kMiddle];
    const TRowContext ctx{in, ready, topRetarder};
    for (int row = kTop; row <= kBottom; ++row) {
        const int k = rowK[Slot(row)];
        if (k == 0) continue;
        TSummaryRow& r = s.rows[Slot(row)];
        r.visible = true;
        r.retarder = k;
        r.label = RowLabel(row, k, picked, in.mode, in.track);
        FillRow(r, k, ctx);
    }
    FillStartEnd(s, in, ready);
    FillTargetAndMax(s, in, ready, topRetarder);
    return s;
}

namespace {

// The window's line breaks as plain line breaks, each line indented.
std::string Indented(const std::string& text) {
    std::string out = "  ";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            const char pair = c == '\r' ? '\n' : '\r';
            if (i + 1 < text.size() && text[i + 1] == pair) ++i;
            out += "\n  ";
        } else {
            out += c;
        }
    }
    while (!out.empty() && (out.back() == ' ' || out.back() == '\n')) out.pop_back();
    return out + "\n";
}

std::string Pad(const std::string& s, std::size_t width) {
    const std::size_t n = Utf8Length(s);
    return n >= width ? s + " " : s + std::string(width - n, ' ');
}

std::string Flat(const std::string& heading) {
    std::string out;
    for (char c : heading) out += c == '\n' ? ' ' : c;
    return Trim(out);
}

constexpr std::size_t kLabelWidth = 30, kValueWidth = 14;

std::string Line(const std::string& label, std::initializer_list<std::string> values) {
    std::string line = Pad(label, kLabelWidth);
    for (const auto& v : values) line += Pad(v, kValueWidth);
    while (!line.empty() && line.back() == ' ') line.pop_back();
    return line + "\n";
}

}  // namespace

std::string SummaryText(const TRunSummary& s) {
    std::string out = s.status + "\n";
    if (s.messageVisible) out += Indented(s.message);
    if (!s.detailsVisible) return out;
    // The two exit-speed columns carry long headings: numbered here, written out below.
    out += Line("", {"Position [m]", "Geschw. [m/s]", "(1)", "(2)"});
    for (const TSummaryRow& r : s.rows)
        out += r.visible ? Line(r.label, {r.distance, r.speed, r.entered, r.second}) : "\n";
    out += Line("Simulationsstart", {s.startDistance, s.startSpeed});
    out += Line("Simulationsende", {s.endDistance, s.endSpeed});
    out += Line("Zielgeschwindigkeit [m/s]", {s.targetSpeed});
    if (s.overhangVisible) out += Line("Überhang nach der letzten Bremse", {s.overhang});
    if (s.maxVisible) out += Line(s.maxLabel, {s.maxValue});
    out += "(1) " + Flat(s.enteredHeading) + "\n(2) " + Flat(s.secondHeading) + "\n";
    return out;
}

}  // namespace gvm::runcontrol
