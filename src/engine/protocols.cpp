#include "engine/protocols.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <string_view>
#include <vector>

#include "base/datetime.h"
#include "base/numfmt.h"
#include "base/text.h"

namespace gvm::engine {

namespace {

using Stops = std::vector<TabStop>;

constexpr double kHeadingGrowth = 5;  // heading text is this much larger [pt]
constexpr double kIndent = 10;        // first stop of most blocks [pt]

using Positions = std::vector<double>;  // tab stops [pt]

Stops Aligned(const Positions& positions, TabAlign align) {
    Stops s;
    for (double p : positions) s.push_back({p, align});
    return s;
}

std::string Repeat(char c, int n) {
    return std::string(static_cast<std::size_t>(n), c);
}

// "\t" before every cell.
std::string Cells(std::initializer_list<std::string_view> cells) {
    std::string s;
    for (std::string_view c : cells) {
        s += '\t';
        s += c;
    }
    return s;
}

// One protocol being written: the document, the number format and the track model.
class Writer {
public:
    explicit Writer(const TStoreInput& in) : in_(in), g_(in.exp.Gleis()) {}

    const TStoreInput& In() const { return in_; }
    const model::TGleis& G() const { return g_; }
    double Xnull() const { return g_.Xnull; }
    TRichText& Doc() { return doc_; }

    void Tabs(Stops stops) { doc_.SetTabs(std::move(stops)); }
    void Line(std::string_view s) { doc_.Add(s); }
    std::string N(double v, int w, int d) const { return FormatWD(v, w, d, in_.nf); }
    // A database position from a shifted one.
    std::string Pos(double shifted, int w, int d) const { return N(shifted + g_.Xnull, w, d); }

    // Underscores (after `lead`) and a blank line.
    void Separator(int underscores, std::string_view lead = "") {
        Tabs({});
        Line(std::string(lead) + Repeat('_', underscores));
        Line(" ");
    }

    // The heading rule: from the first "Ein" of the whole text to its first ":" larger, the
    // rest of that line after ": " bold and larger.
    void Heading(const std::string& line) {
        Tabs({});
        Line(line);
        const std::string text = doc_.PlainText();
        const std::size_t ein = text.find("Ein"), colon = text.find(':');
        if (ein == std::string::npos || colon == std::string::npos || colon < ein) return;
        std::size_t rest = colon + 1;
        if (rest < text.size() && text[rest] == ' ') ++rest;
        doc_.Format(ein, rest, false, kHeadingGrowth);
        doc_.Format(rest, text.find('\n', rest), true, kHeadingGrowth);
    }

    // "  ", the heading and " ": the start of protocols 1..9.
    void Start(const std::string& heading) {
        Tabs({});
        Line("  ");
        Heading(heading);
        Line(" ");
    }

private:
    const TStoreInput& in_;
    const model::TGleis& g_;
    TRichText doc_;
};

// ---------------------------------------------------------------------------------------
// Blocks shared by the protocols

struct KeyValue {
    const char* label;  // with its colon
    double value;
    int w, d;
    const char* unit;
    const char* explanation = "";  // begins with a tab
};

// Lines "\t" label "\t" value "\t" unit explanation, values aligned on their decimal point.
void KeyValues(Writer& w, std::initializer_list<KeyValue> values) {
    double label = 0, unit = 0;
    for (const KeyValue& kv : values) {
        label = std::max(label, TextWidth(kv.label));
        unit = std::max(unit, TextWidth(kv.unit));
    }
    const double value = kIndent + label + 10 + TextWidth("00000");
    const double unitStop = value + TextWidth(".0000") + 8;
    w.Tabs({{kIndent, TabAlign::Left},
            {value, TabAlign::Decimal},
            {unitStop, TabAlign::Left},
            {unitStop + unit + 10, TabAlign::Left}});
    for (const KeyValue& kv : values)
        w.Line(Cells({kv.label, w.N(kv.value, kv.w, kv.d), kv.unit}) + kv.explanation);
}

// An explanation block under the stops 10 pt and 10 pt behind its widest abbreviation.
void Explanations(Writer& w, std::initializer_list<std::string_view> lines,
                  bool blankAfter = true) {
    double widest = 0;
    for (std::string_view l : lines) {
        // "\tAbbreviation\t- explanation"; other lines do not set the stop.
        const std::size_t end = l.find('\t', 1);
        if (l.size() < 2 || l[0] != '\t' || l[1] == '\t' || end == std::string_view::npos) continue;
        widest = std::max(widest, TextWidth(l.substr(1, end - 1)));
    }
    w.Tabs({{kIndent, TabAlign::Left}, {kIndent + widest + 10, TabAlign::Left}});
    for (std::string_view l : lines) w.Line(l);
    if (blankAfter) {
        w.Tabs({});
        w.Line("  ");
    }
}

// Header and unit line on `head`, the separator and the blank line; the rows that follow
// get `rows`.
void TableHead(Writer& w, Stops head, std::string_view header, std::string_view units,
               int underscores, std::string_view lead, Stops rows) {
    w.Tabs(std::move(head));
    w.Line(header);
    if (!units.empty()) w.Line(units);
    w.Separator(underscores, lead);
    w.Tabs(std::move(rows));
}

// Header cells centred on the stops, except over text columns, which keep their header at
// the left edge of their texts.
void TableHead(Writer& w, const Positions& stops, std::string_view header, std::string_view units,
               int underscores, std::string_view lead, Stops rows) {
    Stops head = Aligned(stops, TabAlign::Center);
    for (std::size_t i = 0; i < head.size() && i < rows.size(); ++i)
        if (rows[i].align == TabAlign::Left) head[i].align = TabAlign::Left;
    TableHead(w, std::move(head), header, units, underscores, lead, std::move(rows));
}

// Row stops: decimal on every stop.
Stops Decimal(const Positions& stops) {
    return Aligned(stops, TabAlign::Decimal);
}

// ---------------------------------------------------------------------------------------
// 0: run summary

// The push-off speed of the run: the run-in start speed for the run-in process.
double PushOffSpeed(const TStoreInput& in) {
    return in.exp._Flags == model::kZulaufprozess ? in.engine.fall.VZulaufStart
                                                  : in.engine.fall.Vab;
}

std::string RunName(const TStoreInput& in) {
    return in.group.NameWG.empty() ? in.run.Name : in.group.NameWG;
}

void Variants(Writer& w) {
    const model::TGleis& g = w.G();
    const double name = kIndent + TextWidth("ROLLWIDERSTAND: ") + 20;
    const double label = name + TextWidth(Repeat('X', 25)) + 30;
    const double count = label + TextWidth("Anzahl der Luftwiderst: ") + TextWidth("000") + 10;
    w.Tabs({{kIndent, TabAlign::Left},
            {name, TabAlign::Left},
            {label, TabAlign::Left},
            {count, TabAlign::Right}});
    const struct {
        const char* kind;
        std::string variant;
        const char* label;
        int n;
    } rows[] = {
        {"WAGEN:", RunName(w.In()), "Anzahl der Wagen:", w.In().group.WagenAnzahl()},
        {"NEIGUNGEN:", g.NNeig, "Anzahl der Neigungen:", g.Nxs},
        {"BOGEN:", g.NBogn, "Anzahl der Bogen:", g.Nxr},
        {"WEICHEN:", g.NWeich, "Anzahl der Weichen:", g.Nxw},
        {"ROLLWIDERSTAND:", g.NRolw, "Anzahl der Rolwiderst:", g.Nxwr},
        {"LUFTWIDERSTAND:", g.NLuft, "Anzahl der Luftwiderst:", g.Nxl},
        {"BREMSEN:", g.NBrems, "Anzahl der Bremsen:", g.Nxbr},
        {"WIRKZONEN:", g.NWirk, "Anzahl der Wirkzonen:", g.Nxwi},
    };
    for (const auto& r : rows)
        w.Line(Cells({r.kind, Utf8Left(r.variant, 25), r.label, w.N(r.n, 3, 0)}));
}

// The events table: text column at 10 pt, then number columns as wide as their widest
// header or number, decimal-aligned.
struct NumberColumn {
    std::initializer_list<const char*> heads;
    int w, d;
};

void EventTable(Writer& w) {
    const NumberColumn cols[] = {{{"im SCHRITT", "Nr."}, 7, 0},
                                 {{"WEG", "SPITZE", "[m]"}, 7, 2},
                                 {{"BESCHLEUN.", "GESAMT", "[m/sec^2]"}, 9, 5},
                                 {{"GESCHWIND.", "[m/sec]"}, 9, 4},
                                 {{"ZEIT", "[sec]"}, 8, 4}};
    Stops head{{kIndent, TabAlign::Left}}, row{{kIndent, TabAlign::Left}};
    double right = kIndent + TextWidth("Aufpufferung");
    for (const NumberColumn& c : cols) {
        double width = TextWidth(Repeat('0', c.w));
        for (const char* h : c.heads) width = std::max(width, TextWidth(h));
        const double left = right + 12;
        right = left + width;
        head.push_back({(left + right) / 2, TabAlign::Center});
        if (c.d > 0)
            row.push_back(
                {right - TextWidth(Repeat('0', c.d)) + TextWidth("."), TabAlign::Decimal});
        else
            row.push_back({right, TabAlign::Right});
    }
    w.Tabs(head);
    w.Line("\tEREIGNIS\tim SCHRITT\tWEG\tBESCHLEUN.\tGESCHWIND.\tZEIT");
    w.Line("\t\tNr.\tSPITZE\tGESAMT");
    w.Line("\t\t\t[m]\t[m/sec^2]\t[m/sec]\t[sec]");
    w.Separator(88);
    w.Tabs(row);

    const TEngine& e = w.In().engine;
    const double vab = PushOffSpeed(w.In());
    const auto line = [&](const char* event, const THistEintrag& h, double v) {
        w.Line(Cells({event, w.N(h.Zeile, 7, 0), w.N(h.X, 7, 2), w.N(0, 9, 5), w.N(v, 9, 4),
                      w.N(h.T, 8, 4)}));
    };
    for (int i = 1; i <= kHistorie; ++i) {
        const auto k = static_cast<std::size_t>(i);
        if (e.Abloesungen.N >= i) line("Ablösepunkt", e.Abloesungen.E[k], vab);
        if (e.Stillstaende.N >= i) line("Stillstand", e.Stillstaende.E[k], 0);
        // The engine keeps no speed of a buffering; the push-off speed stands for it.
        if (e.Aufpufferungen.N >= i) line("Aufpufferung", e.Aufpufferungen.E[k], vab);
    }
}

void RunSummary(Writer& w) {
    const TStoreInput& in = w.In();
    const DateTimeText now = in.datum.empty() || in.zeit.empty() ? ShortDateTime(LocalNow()) : DateTimeText{};
    const std::string datum = in.datum.empty() ? now.datum : in.datum;
    const std::string zeit = in.zeit.empty() ? now.zeit : in.zeit;
    w.Line(" ");
    w.Line("SIMEXPERIMENT: " + in.exp._NSimExperiment + "\t\tDATUM: " + datum +
           "\t\tZEIT: " + zeit);
    w.Separator(88);
    Variants(w);
    w.Separator(88);
    KeyValues(w, {{"Abdrückgeschwindigkeit:", PushOffSpeed(in), 6, 2, "[m/s]"},
                  {"Länge des Rollotes:", in.group.Sx, 6, 2, "[m]"},
                  {"Abszisse des Schwerpunktes:", in.group.Oq, 6, 2, "[m]"},
                  {"Gesamtgewicht des Rollotes:", in.group.Sg, 6, 2, "[t]"},
                  {"Massenfaktor Fmq:", in.group.Fmq, 6, 3, "[kg/t.s^2/m]"}});
    w.Separator(88);
    w.Tabs({});
    for (const char* l : {" ", " ", "RESULTATE:", " "}) w.Line(l);
    EventTable(w);
    w.Separator(88);
    std::string stars = " ";
    stars += Repeat('*', 88);
    stars += ' ';
    for (const std::string& l : {std::string(" "), std::string(" Kommentar:"), stars,
                                 std::string(" "), std::string(" "), stars, std::string(" ")})
        w.Line(l);
}

// ---------------------------------------------------------------------------------------
// 1: wagon groups

void WagonRow(Writer& w, int nr, const model::TWagenN& wg) {
    std::string line = " ";
    line += Cells({w.N(nr, 3, 0), w.N(wg.NAchs, 3, 0), ""});
    // Front overhang, the spacings between the axles, then the rear overhang.
    line += Cells({w.N(wg.Vu, 5, 2)});
    for (int k = 2; k <= model::kMaxAchsenProWagen; ++k) {
        const auto i = static_cast<std::size_t>(k);
        const double dx = k <= wg.NAchs ? wg.AbszisseWagen[i] - wg.AbszisseWagen[i - 1] : 0.0;
        line += Cells({w.N(dx, 5, 2)});
    }
    line += Cells({w.N(wg.Hu, 5, 2), "", w.N(wg.Achs, 5, 2), w.N(wg.Mdw, 5, 0),
                   w.N(wg.AchsLast, 5, 2), w.N(wg.Rho, 4, 2), w.N(wg.Wr0, 5, 2)});
    w.Line(line);
}

void Wagons(Writer& w) {
    const TStoreInput& in = w.In();
    w.Start(std::string("Eingabedaten der Wagengruppen: ").append(RunName(in)));
    KeyValues(w, {{"Cct:", in.group.Cct, 7, 2, "[-]",
                   "\tKoeffizient des Luftwiderstands (widerspiegelt Umrisse der Wagengruppe)"},
                  {"Fl:", in.group.Fl, 7, 2, "[m2]", "\tMassgebende Stirnfläche"},
                  {"Vab:", PushOffSpeed(in), 8, 3, "[m/s]", "\tAbdrückgeschwindigkeit"}});
    Explanations(w,
                 {"Verwendete Abkürzungen:  ", "\tNr\t- laufende Nummer des Wagens",
                  "\tNaw\t- Anzahl der Achsen", "\tDx n\t- Achsenabstände",
                  "\tAchs\t- massgebender Achsabstand", "\tMdw\t- mittlerer Raddurchmesser",
                  "\tG\t- Achsenlast", "\tRho\t- Massenfaktor", "\tW0\t- Grundrollwiderstand",
                  "\tCt\t- Koeffiziente des Luftwiderstands für verschiedene Winkel des Windes"});
    TableHead(
        w, {10, 30, 60, 80, 110, 140, 170, 200, 230, 260, 280, 300, 330, 360, 390, 420},
        "\tNr\tNaw\tDx [\t1\t2\t3\t4\t5\t6\t7\t ]\tAchs\tMdw\tG\tRho\tWr0",
        "\t\t [-]\t\t[m]\t[m]\t[m]\t[m]\t[m]\t[m]\t[m]\t\t[m]\t[mm]\t [t]\t[%]\t[kg/t]", 97, "",
        Decimal({10, 35, 60, 80, 110, 140, 170, 200, 230, 260, 280, 300, 340, 360, 390, 420}));
    for (int i = 1; i <= in.group.WagenAnzahl(); ++i) WagonRow(w, i, in.group.Wagen(i));

    w.Tabs({});
    w.Line(" ");
    w.Tabs(Aligned({10, 40, 70, 100, 130, 160, 190, 220, 250, 280, 310, 340}, TabAlign::Center));
    w.Line("\tCt [\t1\t2\t3\t4\t5\t6\t7\t8\t9\t10\t]");
    w.Tabs(Decimal({10, 40, 70, 100, 130, 160, 190, 220, 250, 280, 310}));
    std::string ct = " \t";
    for (std::size_t i = 0; i < 10; ++i) ct += Cells({w.N(in.group.Ct[i], 5, 2)});
    w.Line(ct);
}

// ---------------------------------------------------------------------------------------
// 2..6, 9: section lists

void Gradients(Writer& w) {
    const TStoreInput& in = w.In();
    const model::TGleis& g = w.G();
    w.Start("Eingabedaten der Neigungen: " + g.NNeig);
    KeyValues(w, {{"Xtot:", in.exp._Xtot, 7, 2, "[m]", "\tGesamtlänge des Gleises "},
                  {"Ddx:", in.exp._Ddx0, 7, 2, "[m]", "\tIntegrationsschritt"},
                  {"Q:", in.exp._Q, 9, 4, "[m/s]",
                   "\tIterationsgenauikgeit für Berechnung der Geschwindigkeit "}});
    Explanations(w, {"Verwendete Abkürzungen:  ", "\tNr\t- laufende Nummer des Abschnitts",
                     "\tXu\t- untere Abschnittsgrenze ", "\tXo\t- obere Abschnittsgrenze ",
                     "\tS1\t- Neigung an der untere Abschnittsgrenze ",
                     "\tS2\t- Neigung an der obere Abschnittsgrenze "});
    TableHead(w, {15, 60, 110, 160, 210}, "\tNr\tXu\tXo\tS1[i]\tS2[i]", "\t\t[m]\t[m]\t[‰]\t[‰]",
              54, "", Decimal({15, 60, 110, 160, 210}));
    for (int i = 1; i <= g.Nxs; ++i) {
        const auto k = static_cast<std::size_t>(i);
        w.Line(Cells({w.N(i, 3, 0), w.Pos(g.X[k], 7, 2), w.Pos(g.X[k + 1], 7, 2),
                      w.N(g.S1[k], 7, 2), w.N(g.S2[k], 7, 2)}));
    }
}

void Curves(Writer& w) {
    const model::TGleis& g = w.G();
    w.Start("Eingabedaten der Bogen: " + g.NBogn);
    KeyValues(w, {{"Eps0:", g.Epsio, 7, 2, "[m.kg/t]", "\tKoeffizient des Bogenwiderstands"},
                  {"Eps1:", g.Epsi1, 7, 2, "[kg/t]", "\tKoeffizient des Bogenwiderstands"}});
    Explanations(w,
                 {"\tDie Formel zur Berechnung des Bogenwiderstands:  ",
                  "\t\tWr = (Eps0 + Eps1*Achs) / Rad  [kg/t]", "  ",
                  "Verwendete Abkürzungen:", "\tNr\t- laufende Nummer des Bogenabschnitts",
                  "\tXu\t- untere Bogenabschnittsgrenze ", "\tXo\t- obere Bogenabschnittsgrenze ",
                  "\tRad\t- Radius des Bogenabschnitts",
                  "\t\t  (\"positiv\" meint gegen, \"negativ\" mit dem Uhrzeigersinn)"},
                 false);
    TableHead(w, {15, 60, 110, 160}, "\tNr\tXu\tXo\tRad", "\t\t[m]\t[m]\t[m]", 41, "",
              Decimal({15, 60, 110, 160}));
    int nr = 0;
    for (int k = 1; k < g.Nbog && k + 1 < static_cast<int>(g.Xr.size()); ++k) {
        const auto i = static_cast<std::size_t>(k);
        if (g.Rb[i] == 0) continue;
        w.Line(Cells({w.N(++nr, 3, 0), w.Pos(g.Xr[i], 7, 2), w.Pos(g.Xr[i + 1], 7, 2),
                      w.N(1.0 / g.Rb[i], 7, 2)}));
    }
}

void Switches(Writer& w) {
    const model::TGleis& g = w.G();
    w.Start("Eingabedaten der Weichen: " + g.NWeich + "/ " + g.KommWeich);
    Explanations(
        w, {"Verwendete Abkürzungen:", "\tNr\t- laufende Nummer des Weichenabschnitts",
            "\tXu\t- untere Weichenabschnittsgrenze ", "\tXo\t- obere Weichenabschnittsgrenze ",
            "\tWw\t- Weichenwiderstand", "\tGrenzzeichen\t- Abszisse des Grenzzeichens der Weiche",
            "\t\t  (wenn nicht eingegeben wird durch die Abszisse Xo ersätzt)"});
    TableHead(w, {15, 60, 110, 160, 210}, "\tNr\tXu\tXo\tWw\tGrenzzeichen",
              "\t\t[m]\t[m]\t[kg/t]\t[m]", 55, "", Decimal({15, 60, 110, 160, 210}));
    // Each section adds at most a gap segment and its own one.
    const int last = std::min(2 * g.Nxw + 1, static_cast<int>(g.Xw.size()) - 2);
    int nr = 0;
    for (int k = 1; k <= last; ++k) {
        const auto i = static_cast<std::size_t>(k);
        if (g.W[i] == 0) continue;
        const double grenz = g.Xgrenz[i + 1] > 0 ? g.Xgrenz[i + 1] + w.Xnull() : 0.0;
        w.Line(Cells({w.N(++nr, 3, 0), w.Pos(g.Xw[i], 7, 2), w.Pos(g.Xw[i + 1], 7, 2),
                      w.N(g.W[i], 5, 2), w.N(grenz, 8, 2)}));
    }
}

void Rolling(Writer& w) {
    const model::TGleis& g = w.G();
    w.Start("Eingabedaten des Rollwiderstandes: " + g.NRolw + " / " + g.KommRoll);
    Explanations(
        w, {"Verwendete Abkürzungen:  ", "\tNr\t- laufende Nummer des Rollwiderstandabschnitts",
            "\tXu\t- untere Rollwiderstandsgrenze ", "\tXo\t- obere Rollwiderstandsgrenze ",
            "\tW1\t- relative Rollwiderstandswirkung an der untere Abschnittsgrenze ",
            "\tW2\t- relative Rollwiderstandswirkung an der obere Abschnittsgrenze "});
    Stops rows = Decimal({15, 60, 110, 160, 210});
    rows[0].align = TabAlign::Right;
    TableHead(w, {15, 60, 110, 160, 210}, "\tNr\tXu\tXo\tW1[i]\tW2[i]", "\t\t[m]\t[m]\t[%]\t[%]",
              52, "", rows);
    for (int i = 1; i <= g.Nxwr; ++i) {
        const auto k = static_cast<std::size_t>(i);
        w.Line(Cells({w.N(i, 3, 0), w.Pos(g.Xrw[k], 7, 2), w.Pos(g.Xrw[k + 1], 7, 2),
                      w.N(g.W1[k], 7, 2), w.N(g.W2[k], 7, 2)}));
    }
}

void Air(Writer& w) {
    const model::TGleis& g = w.G();
    w.Start("Eingabedaten des Luftwiderstandes: " + g.NLuft);
    KeyValues(w, {{"Beta0:", g.Beta0, 7, 2, "[deg]", "\tWindrichtung am Berggipfel"},
                  {"Vlg:", g.Vlg, 7, 2, "[m/s]", "\tWindgeschwindigkeit"}});
    Explanations(
        w, {"Verwendete Abkürzungen: ", "\tNr\t- laufende Nummer des Luftwiderstandabschnitts",
            "\tXu\t- untere Luftwiderstandsgrenze ", "\tXo\t- obere Luftwiderstandsgrenze ",
            "\tVlu\t- relative Luftwiderstandswirkung an der unteren Abschnittsgrenze ",
            "\tVlo\t- relative Luftwiderstandswirkung an der oberen Abschnittsgrenze "});
    if (g.Nxl <= 0) return;
    TableHead(w, {15, 60, 110, 160, 210}, "\tNr\tXu\tXo\tVlu[i]\tVlo[i]", "\t\t[m]\t[m]\t[%]\t[%]",
              51, "  ", Decimal({15, 60, 110, 160, 210}));
    for (int i = 1; i <= g.Nxl; ++i) {
        const auto k = static_cast<std::size_t>(i);
        w.Line(Cells({w.N(i, 3, 0), w.Pos(g.Xl[k], 7, 2), w.Pos(g.Xl[k + 1], 7, 2),
                      w.N(g.Vlu[k], 7, 2), w.N(g.Vlo[k], 7, 2)}));
    }
}

void Zones(Writer& w) {
    const model::TGleis& g = w.G();
    w.Start("Eingabedaten der Wirkzonen: " + g.NWirk + " / " + g.KommentWirk);
    Explanations(w, {"Verwendete Abkürzungen:", "\tNr\t- laufende Nummer des Wirkzonenabschnitts",
                     "\tXwiE\t- untere Wirkzonegrenze ", "\tXwiA\t- obere Wirkzonegrenze "});
    if (g.Nxwi <= 0) return;
    Stops rows = Decimal({15, 60, 110, 150});
    rows[3].align = TabAlign::Left;
    TableHead(w, {15, 60, 110, 150}, "\tNr\tXwiE\tXwiA\tKommentar", "\t\t[m]\t[m]", 47, "  ", rows);
    for (int i = 1; i <= g.Nxwi && i <= model::kMaxAbsch; ++i) {
        const auto k = static_cast<std::size_t>(i);
        w.Line(
            Cells({w.N(i, 4, 0), w.Pos(g.XwiE[k], 7, 2), w.Pos(g.XwiA[k], 7, 2), g.KommWirk[k]}));
    }
}

// ---------------------------------------------------------------------------------------
// 7, 8: retarders and their types

// Fixed form with `decimals` decimals, up to 15 significant digits, no padding.
std::string Coefficient(const Writer& w, double v, int decimals) {
    return FormatFloatF(v, 15, decimals, w.In().nf);
}

void Retarders(Writer& w) {
    const model::TGleis& g = w.G();
    w.Start("Eingabedaten der Bremsen: " + g.NBrems + " / " + g.KommBrems);
    if (g.Nxbr <= 0) return;
    Explanations(w,
                 {"Verwendete Abkürzungen:",
                  "\tNr\t- laufende Nummer der Bremse",
                  "\tName\t- Bezeichnung des Bremsebauarts",
                  "\tKod\t- Kod der Bremse (entspricht dem Bremsebauart)",
                  "\tLbr\t- Anzahl der Gewichtsstuffen",
                  "\tXu\t- untere Abschnitsgrenze der Bremse ",
                  "\tXo\t- obere Abschnittsgrenze der Bremse",
                  "\tVaus\t- Ausschaltgeschwindigkeit",
                  "\tXe\t- Abszisse des Einschaltspunktes",
                  "\tA1\t- Abminderungsfaktor       ( die Wirkung der Bremse wird durch Faktor)",
                  "\tA2\t- Abminderungsfaktor       ( F = 1 / (A1+A2*n+A3*n*n) reduziert )",
                  "\tA3\t- Abminderungsfaktor       ( wo n steht für Anzahl Achsen in der Bremse)",
                  "\tWbr\t- relative Wirkung der Bremse beim Bemsen",
                  "\tWir\t- relative Wirkung der Bremse beim Leerlauf",
                  "\tB0\t- Bremse Code 8 / Koeffiziente für Auslaufgeschwindigkeitberechnung",
                  "\tB1\t- Bi / Koeffiziente der Achslastwirkung",
                  "\tB2",
                  "\tB3",
                  "\tC0\t- Ci / Koeffiziente der Raddurchmesserwirkung",
                  "\tC1"});
    Stops rows = Decimal({10, 30, 90, 120, 150, 190, 230, 280, 310, 340, 370, 410, 450});
    rows[1].align = TabAlign::Left;
    TableHead(w, {10, 30, 90, 120, 150, 190, 230, 280, 310, 340, 370, 410, 450},
              "\tNr\tName\tKod\tLbr\tXu\tXo\tVaus[i]\tXe\tA1[i]\tA2[i]\tA3[i]\tWbr[i]\tWir[i]",
              "\t\t\t[-]\t[-]\t[m]\t[m]\t[m/s]\t[m]\t[-]\t[-]\t[-]\t[%]\t[%]", 104, "", rows);
    const TVysledky& s = w.In().series;
    for (int i = 1; i <= g.Nxbr && i <= model::kMaxBremsen; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const double xe = g.Xein[k] != 0 ? g.Xein[k] + w.Xnull() : 0.0;
        w.Line(Cells({w.N(i, 3, 0), g.Bauart[k], w.N(g.Kod[k], 2, 0), w.N(g.Lbr[k], 4, 0),
                      w.Pos(g.Xbu[k], 5, 2), w.Pos(g.Xbo[k], 6, 2), w.N(s.Vaus[k], 5, 2),
                      w.N(xe, 7, 2), w.N(g.A1[k], 5, 2), w.N(g.A2[k], 5, 2), w.N(g.A3[k], 5, 2),
                      w.N(g.Wbr[k], 6, 2), w.N(g.Wir[k], 6, 2)}));
        if (g.Kod[k] != 8) continue;
        w.Line(
            " \tB0 = " + Coefficient(w, g.FaB0[k], 4) + "   B1 = " + Coefficient(w, g.FaB1[k], 5) +
            "   B2 = " + Coefficient(w, g.FaB2[k], 7) + "   B3 = " + Coefficient(w, g.FaB3[k], 1) +
            "   C0 = " + Coefficient(w, g.FdC0[k], 5) + "   C1 = " + Coefficient(w, g.FdC1[k], 8));
    }
}

const Positions kForceStops = {5, 60, 100, 125, 140, 175, 210, 245, 280, 315, 350, 385, 420, 435};

void ForceHead(Writer& w) {
    static constexpr double kSpeeds[] = {0, 0.2, 0.4, 0.6, 1, 2, 4, 6, 10};
    std::string header = "\tName\tGewVon\tGewBis\tV=";
    std::string units = "\t\t[t]\t[t]\t";
    for (double v : kSpeeds) {
        header += Cells({FormatFloatF(v, 15, 1, w.In().nf)});
        units += "\t[kg]";
    }
    header += "\t[m/s]";
    Stops head = Aligned(kForceStops, TabAlign::Center);
    head.front().align = TabAlign::Left;  // over the names
    head.back().align = TabAlign::Left;   // the unit behind the last speed
    Stops rows = Decimal(kForceStops);
    rows.front().align = TabAlign::Left;
    // The empty cell under "V=" lies further left, so that a padded first force has room.
    rows[3].pos = 116;
    TableHead(w, std::move(head), header, units, 94, "", std::move(rows));
}

// One line per weight class; a class reaches from the previous class's upper bound.
void ForceRows(Writer& w, const std::string& name,
               const std::array<model::TMassenstufe, 11>& classes, int n) {
    for (int m = 1; m <= n && m <= model::kMaxMassenstufen; ++m) {
        const model::TMassenstufe& c = classes[static_cast<std::size_t>(m)];
        // Later classes leave the name cell empty, so that their numbers stay in their columns.
        std::string line =
            m == 1 ? Cells({name, w.N(0, 5, 2)})
                   : Cells({"", w.N(classes[static_cast<std::size_t>(m - 1)].Go, 5, 2)});
        line += Cells({w.N(c.Go, 5, 2), ""});
        // Forces are whole kilograms, or fractions of a kilogram for small ones.
        const double second = c.Wert[2];
        const bool whole = std::fabs(second - std::trunc(second)) <= 0.01 || second >= 10;
        for (std::size_t j = 1; j <= 9; ++j) line += Cells({w.N(c.Wert[j], 5, whole ? 0 : 3)});
        w.Line(line);
    }
}

void RetarderTypes(Writer& w) {
    const model::TGleis& g = w.G();
    w.Start("Eingabedaten der BremsenBauarten - Bremskräfte: " + g.NBrems);
    if (g.Nxbr <= 0) {
        w.Line("Keine Bremsen");
        return;
    }
    Explanations(w,
                 {"Verwendete Abkürzungen:", "\tNr\t- laufende Nummer der Bremse",
                  "\tName\t- Name des Bremsetyps", "\tGewVon\t- untere Grenze der Gewichtsstuffe",
                  "\tGevBis\t- untere Grenze der Gewichtsstuffe",
                  "\tV =\t- Grenze der Geschwindigkeitsstuffe"});
    const int types = std::min(g.NBremsArt, model::kMaxBremsArt);
    ForceHead(w);
    for (int t = 1; t <= types; ++t) {
        const auto& b = g.Bremsen[static_cast<std::size_t>(t)];
        if (!b) continue;
        ForceRows(w, b->Name, b->Kraft, b->NKraft);
        w.Line(" ");
    }
    w.Tabs({});
    w.Line("Eingabedaten der BremsenBauarten - Leerlaufkräfte: " + g.NBrems);
    w.Line(" ");
    ForceHead(w);
    for (int t = 1; t <= types; ++t) {
        const auto& b = g.Bremsen[static_cast<std::size_t>(t)];
        if (!b || b->NLeerlauf <= 0) continue;
        ForceRows(w, b->Name, b->Leerlauf, b->NLeerlauf);
        w.Line("");
    }
}

}  // namespace

const char* ProtocolTitle(int which) {
    static constexpr const char* kTitles[kProtokolle] = {
        "Gesamtausgabe",    "Wagengruppe",      "Neigungen",        "Bogen",
        "Weichen",          "Rollwiderstandes", "Luftwiderstandes", "Bremsen",
        "Bremsen Bauarten", "Wirkzonen"};
    return which >= 0 && which < kProtokolle ? kTitles[which] : "";
}

TRichText BuildProtocol(const TStoreInput& in, int which) {
    using Build = void (*)(Writer&);
    static constexpr Build kBuild[kProtokolle] = {RunSummary,    Wagons,  Gradients, Curves,
                                                  Switches,      Rolling, Air,       Retarders,
                                                  RetarderTypes, Zones};
    Writer w(in);
    if (which >= 0 && which < kProtokolle) kBuild[which](w);
    return std::move(w.Doc());
}

std::array<std::string, kProtokolle> BuildProtocols(const TStoreInput& in) {
    std::array<std::string, kProtokolle> rtf;
    for (int i = 0; i < kProtokolle; ++i)
        rtf[static_cast<std::size_t>(i)] = BuildProtocol(in, i).ToRtf();
    return rtf;
}

}  // namespace gvm::engine
