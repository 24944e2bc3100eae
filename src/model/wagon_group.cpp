#include "model/wagon_group.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "base/text.h"
#include "database/references.h"

namespace gvm::model {

namespace {

constexpr double kMassFactor = 101.9368;  // 1000 / 9.81 [kg/t s2/m]
constexpr double kDefaultMdw = 920.0;     // wheel diameter of a catalogue entry that gives 0 [mm]

// The catalogue entry of a wagon type, read straight from the document so that the
// catalogue cursor the editing windows may share keeps its position.
class CatalogueEntry {
public:
    CatalogueEntry(const db::Record& rec, const db::TableDef& def) : rec_(rec), def_(def) {}

    double Num(std::string_view field) const {
        const int i = def_.IndexOf(field);
        if (i < 0) return 0.0;
        return db::NumberOf(rec_.values[static_cast<std::size_t>(i)]).value_or(0.0);
    }
    bool Has(std::string_view field) const { return def_.IndexOf(field) >= 0; }
    std::string Name() const {
        const int i = def_.IndexOf("Name");
        return i < 0 ? std::string() : db::ValueText(rec_.values[static_cast<std::size_t>(i)]);
    }

private:
    const db::Record& rec_;
    const db::TableDef& def_;
};

std::optional<CatalogueEntry> FindWagonType(db::TDataLoadDM& load, const db::Value& idWagenTyp) {
    const auto& store = load.InfoDBCDS.GetStore();
    if (!store) return std::nullopt;
    const db::TableDef* def = nullptr;
    if (!db::TopLevelRows(*store, "WagenKatalog", &def)) return std::nullopt;
    const db::Record* rec = db::FindTopLevel(*store, "WagenKatalog", "ID_WagenTyp", idWagenTyp);
    if (!rec) return std::nullopt;
    return CatalogueEntry(*rec, *def);
}

// Builds one wagon from its run record and catalogue entry; returns the refusal text when
// the data cannot be simulated (the group's arrays and divisions rely on these).
std::optional<std::string> BuildWagon(ModelContext& ctx, db::Cursor& wagenCDS, const std::string& runName,
                                      int nr, TColor barva, TWagenN& w) {
    const std::string nrText = std::to_string(nr);
    const auto type = FindWagonType(ctx.load, wagenCDS.FieldByName("ID_WagenTyp").AsVariant());
    if (!type)
        return Substitute("Der Wagen Nr. %s des Rollots \"%s\" hat einen unbekannten Wagentyp.", {nrText, runName});
    const std::string typeName = type->Name();

    w.AchsLast = wagenCDS.FieldByName("G").AsFloat();
    w.Wr0 = wagenCDS.FieldByName("W0grund").AsFloat();
    if (!(w.AchsLast > 0.0))
        return Substitute("Der Wagen Nr. %s des Rollots \"%s\" hat keine positive Achslast.", {nrText, runName});

    const double naw = type->Num("Naw");
    if (naw < 1 || naw > kMaxAchsenProWagen)
        return Substitute("Der Wagentyp \"%s\" hat %s Achsen; zulässig sind 1 bis 6.",
                          {typeName, FormatGeneral(naw, ctx.numfmt)});
    w.NAchs = static_cast<int>(naw);
    w.Vu = type->Num("Vu");
    w.Hu = type->Num("Hu");
    w.Achs = type->Num("Achs");
    w.Rho = type->Num("Rho");
    if (type->Has("Mdw")) {
        w.Mdw = type->Num("Mdw");
        if (w.Mdw == 0.0) w.Mdw = kDefaultMdw;
    }
    // A negative overhang would put an axle in front of its buffer or behind the next
    // wagon's, breaking the order of the group's axle list.
    if (w.Vu < 0.0 || w.Hu < 0.0)
        return Substitute("Der Wagentyp \"%s\" hat einen negativen Überhang.", {typeName});
    if (w.Rho <= -100.0)
        return Substitute("Der Wagentyp \"%s\" hat einen Drehmassenzuschlag von %s %; zulässig sind Werte "
                          "über -100 %.",
                          {typeName, FormatGeneral(w.Rho, ctx.numfmt)});

    w.Barva = barva;
    w.AbszisseWagen[1] = w.Vu;
    w.Sg = w.AchsLast;
    for (int k = 2; k <= w.NAchs; ++k) {
        const std::string dx = "Dx" + std::to_string(k - 1);
        const double spacing = type->Num(dx);
        if (!(spacing > 0.0))
            return Substitute("Der Wagentyp \"%s\" hat keinen positiven Achsabstand %s.", {typeName, dx});
        w.AbszisseWagen[static_cast<std::size_t>(k)] = w.AbszisseWagen[static_cast<std::size_t>(k - 1)] + spacing;
        w.Sg += w.AchsLast;
    }
    const double last = w.AbszisseWagen[static_cast<std::size_t>(w.NAchs)];
    w.Sx = last + w.Hu;
    w.Sax = last - w.AbszisseWagen[1];
    w.WagenMasse = w.NAchs * w.AchsLast;
    w.Fm = (1.0 + w.Rho * 0.01) * kMassFactor;
    w.Fmq = w.Fm;
    return std::nullopt;
}

void Refuse(ModelContext& ctx, TWagenGruppeN& group, std::string_view text) {
    ctx.port.Show(MsgKind::Error, text, MsgButtons::Ok);
    group.ResetValues();
    ctx.lastRun.WagenAnzahl = 0;
    ctx.lastRun.Laenge = 0.0;
    ctx.lastRun.MaxAchsLast = 0.0;
}

}  // namespace

void TWagenGruppeN::ResetValues() {
    WagenListe.clear();
    Sx = 0.0;
    Vu = Hu = 0.0;
    Sg = WGMasse = 0.0;
    Oq = Fmq = 0.0;
    NAchs = 1;
    // [NAchs + 1] stays readable as the sentinel, as after a real reading.
    Abszisse.assign(3, 0.0);
    Abszisse[2] = kAbszisseSentinel;
    AchsenLast.assign(3, 0.0);
    RadDurchMesser.assign(3, 0.0);
}

bool RollotEinlesen(ModelContext& ctx, TWagenGruppeN& group, int idRollot, bool clear, TColor barva) {
    db::Cursor& rollote = ctx.load.cds.RolloteCDS;
    if (!rollote.Active() || !rollote.Locate("ID_Rollot", db::Value{std::int64_t{idRollot}})) {
        ctx.port.Show(MsgKind::Error, "Daten der Wagengruppe sind nicht vorhanden !", MsgButtons::Ok);
        group.ResetValues();
        return false;
    }

    const std::string runName = rollote.FieldByName("Name").AsString();
    group.NameWG = runName;
    ctx.lastRun.Name = runName;
    group.Barva = barva;
    if (clear) {
        group.Cct = rollote.FieldByName("Cct").AsFloat();
        group.Fl = rollote.FieldByName("Fl").AsFloat();
        for (std::size_t i = 0; i < 10; ++i)
            group.Ct[i] = rollote.FieldByName("ct" + std::to_string(i + 1)).AsFloat();
        group.Ct[10] = group.Ct[8];  // the 80 degree value mirrored to 100 degrees
    }

    // Build the new wagons aside: a refused run must not leave half a group behind.
    double offset = clear ? 0.0 : group.Sx;
    std::vector<std::unique_ptr<TWagenN>> added;
    db::Cursor& wagen = ctx.load.cds.WagenCDS;
    int nr = 0;
    for (wagen.First(); !wagen.Eof(); wagen.Next()) {
        auto w = std::make_unique<TWagenN>();
        if (auto refusal = BuildWagon(ctx, wagen, runName, ++nr, barva, *w)) {
            Refuse(ctx, group, *refusal);
            return false;
        }
        w->AbszisseWagen[0] = offset;
        offset += w->Sx;
        added.push_back(std::move(w));
    }
    if (added.empty()) {
        Refuse(ctx, group, Substitute("Das Rollot \"%s\" enthält keine Wagen.", {runName}));
        return false;
    }

    if (clear) group.WagenListe.clear();
    for (auto& w : added) group.WagenListe.push_back(std::move(w));

    int nAchs = 0;
    for (const auto& w : group.WagenListe) nAchs += w->NAchs;
    group.NAchs = nAchs;
    const auto slots = static_cast<std::size_t>(nAchs + 2);
    group.Abszisse.assign(slots, 0.0);
    group.AchsenLast.assign(slots, 0.0);
    group.RadDurchMesser.assign(slots, 0.0);

    double maxAchsLast = 0.0;
    double masse = 0.0, fmSum = 0.0;
    std::size_t k = 0;
    for (const auto& w : group.WagenListe) {
        double moment = 0.0;
        for (int l = 1; l <= w->NAchs; ++l) {
            ++k;
            const auto li = static_cast<std::size_t>(l);
            group.Abszisse[k] = w->AbszisseWagen[0] + w->AbszisseWagen[li];
            w->AbszisseWG[li] = group.Abszisse[k];
            group.AchsenLast[k] = w->AchsLast;
            group.RadDurchMesser[k] = w->Mdw;
            moment += w->AchsLast * w->AbszisseWagen[li];
        }
        w->Oq = moment / w->Sg;
        maxAchsLast = std::max(maxAchsLast, w->AchsLast);
        masse += w->Sg;
        fmSum += w->Sg * w->Fm;
    }
    group.AchsLast = group.WagenListe.back()->AchsLast;

    const TWagenN& first = *group.WagenListe.front();
    const TWagenN& lastW = *group.WagenListe.back();
    group.Vu = first.Vu;
    group.Hu = lastW.Hu;
    group.Abszisse[static_cast<std::size_t>(nAchs + 1)] = kAbszisseSentinel;
    group.Sx = lastW.AbszisseWagen[0] + lastW.Sx;
    group.Sg = group.WGMasse = masse;
    double moment = 0.0;
    for (std::size_t a = 1; a <= static_cast<std::size_t>(nAchs); ++a) moment += group.Abszisse[a] * group.AchsenLast[a];
    group.Oq = moment / masse;
    group.Fmq = fmSum / masse;

    ctx.lastRun.WagenAnzahl = group.WagenAnzahl();
    ctx.lastRun.Laenge = group.Sx;
    ctx.lastRun.MaxAchsLast = maxAchsLast;
    return true;
}

}  // namespace gvm::model
