// Retarders of a track and the catalogue types they use: the retarder variant, the type
// code and force tables of each type, and the checks once the whole track is read.

#include <algorithm>
#include <vector>

#include "base/errors.h"
#include "base/text.h"
#include "model/gleis.h"
#include "model/gleis_readers.h"
#include "model/sim_experiment.h"

namespace gvm::model::detail {

namespace {

// Axle-load and wheel-diameter coefficients of catalogues older than those fields; the
// same values a new catalogue type gets.
constexpr double kDefaultB[4] = {3.6467, 0.05409, -0.0008172, 0.0};
constexpr double kDefaultC[2] = {-0.06469, -0.000036208};

// Character n (from 1) of a UTF-8 name, empty when the name is shorter.
std::string CharAt(std::string_view name, std::size_t n) {
    const std::string upTo = Utf8Left(name, n);
    const std::string before = Utf8Left(name, n - 1);
    return upTo.substr(before.size());
}

bool IsDigit(const std::string& c) { return c.size() == 1 && c[0] >= '0' && c[0] <= '9'; }
bool IsA(const std::string& c) { return c == "A" || c == "a"; }
bool IsD(const std::string& c) { return c == "D" || c == "d"; }

// A double retarder: code 6 with "D" as third character of the type name.
bool IsDoubleRetarder(const TGleis& g, int i) { return g.Kod[i] == 6 && IsD(CharAt(g.Bauart[i], 3)); }

// A retarder without a usable type: the engine skips code -1, and nothing of it acts.
void MakeInert(TGleis& g, int i) {
    g.Kod[i] = -1;
    g.Kodd[i] = 0;
    g.Lbr[i] = 0;
    g.Lcbr[i] = 0;
    g.Wbr[i] = 0;
    g.Wir[i] = 0;
}

// One force table of a type (braking or idle) in ascending Gu: classes must grow, at most
// nine are kept.
void ReadForceTable(ModelContext& ctx, db::Cursor& rows, const char* prefix, bool idle, const std::string& typeName,
                    std::array<TMassenstufe, 11>& out, int& n) {
    n = 0;
    for (rows.First(); !rows.Eof(); rows.Next()) {
        const double go = rows.FieldByName("Go").AsFloat();
        if (n > 0 && !(go > out[n].Go)) {
            ctx.port.Show(MsgKind::Error,
                          "Massenstufe Nr. " + std::to_string(n + 1) + (idle ? " des Leerlaufes " : " der Bremse ") +
                              typeName + " nicht grösser als die vorherige",
                          MsgButtons::Ok);
            continue;
        }
        if (n == kMaxMassenstufen) {
            ctx.port.Show(MsgKind::Error,
                          std::string("Anzahl der Massenstufen ") + (idle ? "des Leerlaufes " : "der Bremse ") +
                              typeName + " grosser als 9",
                          MsgButtons::Ok);
            break;
        }
        ++n;
        out[n].Go = go;
        for (int j = 1; j <= 9; ++j) out[n].Wert[j] = rows.FieldByName(prefix + std::to_string(j)).AsFloat();
    }
}

// Reads the catalogue type of each retarder into the type table and the per-retarder
// arrays. `bauartNames` are the type names the sections show (empty for unknown types).
void ReadBremsTypen(ModelContext& ctx, TGleis& g, const std::vector<std::string>& bauartNames) {
    auto& cds = ctx.load.cds;
    db::Cursor& kat = cds.BremsenKatCDS;
    g.NBremsArt = 0;
    bool tooManyShown = false;
    int doubleCounter = 0;
    for (int i = 1; i <= g.Nxbr; ++i) {
        int k = 1;
        while (k <= g.NBremsArt && g.IDBremsTyp[k] != g.IDBauart[i]) ++k;
        const bool firstUse = k > g.NBremsArt;
        if (k > kMaxBremsArt) {
            if (!tooManyShown) {
                ctx.port.Show(MsgKind::Error,
                              "Zu viele Bremsentypen verwendet - max. !\r" + std::to_string(kMaxBremsArt) +
                                  " Typen möglich!",
                              MsgButtons::Ok);
                tooManyShown = true;
            }
            k = g.NBremsArt;  // shares the force tables of the last type
        }
        // Only a type that gets its own slot fills (and names) a record.
        const bool newType = firstUse && k > g.NBremsArt;
        g.BremsArtNo[i] = k;

        const bool found = LocateVariant(kat, "ID_BauartKod", g.IDBauart[i]);
        if (!found && firstUse)
            ctx.port.Show(MsgKind::Error, "Daten der Bremse " + bauartNames[static_cast<std::size_t>(i)] +
                                              " sind unbekannt!",
                          MsgButtons::Ok);
        if (newType) {
            // Records live as long as the model; a reused one must not keep an earlier type's rows.
            if (g.Bremsen[k])
                *g.Bremsen[k] = TBremsArt{};
            else
                g.Bremsen[k] = std::make_unique<TBremsArt>();
            g.IDBremsTyp[k] = g.IDBauart[i];
            g.NBremsArt = k;
        }
        if (!found) {
            MakeInert(g, i);
            continue;
        }

        const std::string name = kat.FieldByName("Name").AsString();
        const std::string shortName = Utf8Left(name, 5);
        g.Bauart[i] = shortName;
        if (newType) g.Bremsen[k]->Name = shortName;
        g.Vaus_plus[i] = kat.FieldByName("VausPlus").AsFloat();
        g.Vaus_minus[i] = kat.FieldByName("VausMinus").AsFloat();
        g.KommBrmar[i] = kat.FieldByName("Kommentar").AsString();

        const std::string first = CharAt(name, 1);
        if (IsA(first)) {
            g.Kod[i] = 0;
            g.Lbr[i] = 1;
        } else if (IsDigit(first)) {
            g.Kod[i] = first[0] - '0';
            const std::string second = CharAt(name, 2);
            g.Lbr[i] = IsDigit(second) ? second[0] - '0' : 0;
            g.A1[i] = kat.FieldByName("A0").AsFloat();
            g.A2[i] = kat.FieldByName("A1").AsFloat();
            g.A3[i] = kat.FieldByName("A2").AsFloat();
        } else {
            if (firstUse)
                ctx.port.Show(MsgKind::Error,
                              "Der Name des Bremsentyps \"" + name +
                                  "\" beginnt weder mit einer Ziffer noch mit \"A\".",
                              MsgButtons::Ok);
            MakeInert(g, i);
            continue;
        }

        if (g.Kod[i] == 8) {
            const auto coefficient = [&](const char* field, double fallback) {
                const auto f = kat.FindField(field);
                return f ? f->AsFloat() : fallback;
            };
            g.FaB0[i] = coefficient("B0", kDefaultB[0]);
            g.FaB1[i] = coefficient("B1", kDefaultB[1]);
            g.FaB2[i] = coefficient("B2", kDefaultB[2]);
            g.FaB3[i] = coefficient("B3", kDefaultB[3]);
            g.FdC0[i] = coefficient("C0", kDefaultC[0]);
            g.FdC1[i] = coefficient("C1", kDefaultC[1]);
        }
        // Provisional; the pairing after reading decides by the distances.
        if (g.Kod[i] == 6 && IsD(CharAt(name, 3))) {
            doubleCounter = doubleCounter % 2 + 1;
            g.Kodd[i] = doubleCounter;
        }

        if (newType) {
            TBremsArt& art = *g.Bremsen[k];
            ReadForceTable(ctx, cds.BremsKrafteCDS, "Bb", false, shortName, art.Kraft, art.NKraft);
            ReadForceTable(ctx, cds.LeerLaufKraftCDS, "Cc", true, shortName, art.Leerlauf, art.NLeerlauf);
        }
        const TBremsArt* art = g.Bremsen[k].get();
        g.Lbr[i] = art ? art->NKraft : 0;
        g.Lcbr[i] = art ? art->NLeerlauf : 0;
    }
}

}  // namespace

void ReadBremsen(ModelContext& ctx, TGleis& g, int idBrems) {
    auto& cds = ctx.load.cds;
    // Every per-retarder value is cleared, spare slot included: nothing of an earlier
    // track may survive into this one.
    for (auto* a : {&g.A1, &g.A2, &g.A3, &g.FaB0, &g.FaB1, &g.FaB2, &g.FaB3, &g.FdC0, &g.FdC1, &g.Vaus,
                    &g.VausGleis, &g.Vaus_plus, &g.Vaus_minus, &g.Xein, &g.Xbu, &g.Xbo, &g.Wbr, &g.Wir})
        a->fill(0.0);
    for (auto* a : {&g.Kod, &g.Kodd, &g.Kodd2, &g.Lbr, &g.Lcbr, &g.IDBauart, &g.BremsArtNo}) a->fill(0);
    g.Bauart.fill(std::string());
    g.KommBrmar.fill(std::string());
    g.NBremsArt = 0;
    g.Nxbr = 0;

    if (!LocateVariant(cds.BremsenCDS, "ID_Brems", idBrems)) {
        AskMissingVariant(ctx, g,
                          "Daten der Bremsen sind nicht vorhanden !\r\nwerden durch implizite Werte (keine Bremsen) "
                          "ersetzt !");
        g.NBrems.clear();
        g.KommBrems.clear();
    } else {
        db::Cursor& v = cds.BremsenCDS;
        db::Cursor& s = cds.BremsAbschCDS;
        g.NBrems = v.FieldByName("Name").AsString();
        g.KommBrems = v.FieldByName("Kommentar").AsString();
        if (s.RecordCount() > kMaxBremsen) ctx.port.Show(MsgKind::Error, "Zu viele Bremsen!", MsgButtons::Ok);

        SectionBounds bounds(ctx, "Bremseabschnitt Nr. ", g.fSimExp->_Q);
        std::vector<std::string> bauartNames(1);
        int i = 0;
        for (s.First(); !s.Eof() && i < kMaxBremsen; s.Next()) {
            ++i;
            g.IDBauart[i] = static_cast<int>(s.FieldByName("ID_BauartKod").AsInteger());
            const std::string bauartName = s.FieldByName("BauartName").AsString();
            bauartNames.push_back(bauartName);
            double xu = s.FieldByName("Xu").AsFloat(), xo = s.FieldByName("Xo").AsFloat();
            // Retarders of the "A" kinds may be entered as points: their inverted bounds are
            // corrected without a word.
            bounds.Check(i, xu, xo, !IsA(CharAt(bauartName, 1)));
            const double vaus = s.FieldByName("Vaus").AsFloat();
            g.Vaus[i] = vaus;
            g.VausGleis[i] = vaus;
            g.Wbr[i] = s.FieldByName("Wbr").AsFloat();
            g.Wir[i] = s.FieldByName("Wir").AsFloat();
            g.Xbu[i] = xu - g.Xnull;
            g.Xbo[i] = xo - g.Xnull;
            const double xein = s.FieldByName("Xein").AsFloat();
            g.Xein[i] = xein != 0 ? xein - g.Xnull : 0.0;
        }
        g.Nxbr = i;
        ReadBremsTypen(ctx, g, bauartNames);
    }

    g.Inxbr = g.Nxbr > 0 && g.Kod[g.Nxbr] == 9 ? g.Nxbr - 1 : g.Nxbr;
    if (g.Nxbr == 0) {
        g.IbrStart = 0;
    } else {
        // When every retarder ends before the crest the range after it is empty.
        int i = 1;
        while (i <= g.Nxbr && !(g.Xbo[i] > g.Xgipf)) ++i;
        g.IbrStart = i;
    }
    g.Io1 = g.IbrStart;
    g.Io2 = g.IbrStart + 1;
    g.Io3 = g.IbrStart + 2;
    g.Io4 = g.IbrStart + 3;
}

void CheckBremsen(ModelContext& ctx, TGleis& g) {
    // Pairing of double retarders: the second must begin within 5 m of the first's end.
    for (int i = 1; i <= g.Nxbr;) {
        if (!IsDoubleRetarder(g, i)) {
            ++i;
            continue;
        }
        const bool paired = i < g.Nxbr && !(g.Xbu[i + 1] > g.Xbo[i] + 5);
        g.Kodd[i] = paired ? 1 : 0;
        if (i < g.Nxbr) g.Kodd[i + 1] = paired ? 2 : 0;
        i += 2;
    }

    // F = 1 / (A1 + A2 n + A3 n^2) of these kinds cannot have all coefficients zero.
    for (int i = 1; i <= g.Nxbr; ++i) {
        const int kod = g.Kod[i];
        if ((kod != 2 && kod != 4 && kod != 9) || g.A1[i] != 0 || g.A2[i] != 0 || g.A3[i] != 0) continue;
        const std::string text = "Bei der Bremse " + g.Bauart[i] + "\t von Typ " + std::to_string(kod) +
                                 " dürfen alle Verminderungskoeffiziente A0, A1, A2 nicht gleichzeitig Null sein." +
                                 "\r\n" + "Soll der Koeffizient A0 auf 1 gesetzt werden [Ja]?" + "\r\n" +
                                 "Sonst wird das Programm beendet [Nein]." + "\r\n";
        if (ctx.port.Show(MsgKind::Error, text, MsgButtons::YesNo) != MsgAnswer::Yes) throw EProgramEnd(text);
        g.A1[i] = 1;  // in memory only; the catalogue stays as it is
    }

    // Before the crest a BKINA (code 6) cannot work: it acts as code 3 there.
    std::string runIn;
    for (int i = 1; i <= std::min(g.IbrStart - 1, g.Nxbr); ++i) {
        if (g.Kod[i] != 6) continue;
        g.Kod[i] = 3;
        runIn += std::string("Die Dateneingabe der Bremsen in Zulaufbereich kann ") + "\r\n" +
                 "keine BKINA Bremse enthalten. Die Bremse " + std::to_string(i) + "\r\n" +
                 "wird auf Typ \"3\" umgewandelt." + "\r\n" + "\r\n";
    }
    if (!runIn.empty()) ctx.port.Show(MsgKind::Warning, runIn, MsgButtons::Ok);

    // A braking retarder without force in its lightest weight class would not brake at all.
    const int last = g.Nxbr;
    if (last > 0 && g.Kod[last] != 0 && g.Kod[last] != -1) {
        const int k = g.BremsArtNo[last];
        const TBremsArt* art = k >= 1 && k <= kMaxBremsArt ? g.Bremsen[k].get() : nullptr;
        bool ok = art && art->NKraft >= 1;
        for (int j = 1; ok && j <= 9; ++j) ok = art->Kraft[1].Wert[j] > 0;
        if (!ok)
            ctx.port.Show(MsgKind::Warning,
                          "Bremskraft der Bremse " + (art ? art->Name : g.Bauart[last]) + " soll nicht Null sein." +
                              "\r\n" + "Das Programm wird beendet.",
                          MsgButtons::Ok);
    }
}

}  // namespace gvm::model::detail
