#include "engine/result_storage.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/text.h"
#include "engine/protocols.h"

namespace gvm::engine {

std::string EventText(int code, double parameter) {
    if (code == evNone) return " ";
    const std::string first = EventText1(code);
    const std::string second = EventText2(code);
    if (code == evEinlaufAchse || code == evAuslaufAchse) {
        const double whole = std::trunc(parameter);
        // Rounded half to even.
        const double fraction = std::nearbyint((parameter - whole) * 100.0);
        return first + " " + std::to_string(static_cast<long long>(whole)) + " " + second + " " +
               std::to_string(static_cast<long long>(fraction));
    }
    if (code == evAusschalten || code == evEinschalten)
        return first + " " + second + " " +
               std::to_string(static_cast<long long>(std::trunc(parameter)));
    return first;
}

namespace {

// Bound views of the row tables are not refreshed while rows are appended.
class ControlsSuspended {
public:
    explicit ControlsSuspended(std::vector<db::Cursor*> cursors) : cursors_(std::move(cursors)) {
        for (db::Cursor* c : cursors_) c->DisableControls();
    }
    ~ControlsSuspended() {
        for (db::Cursor* c : cursors_) c->EnableControls();
    }
    ControlsSuspended(const ControlsSuspended&) = delete;
    ControlsSuspended& operator=(const ControlsSuspended&) = delete;

private:
    std::vector<db::Cursor*> cursors_;
};

// Appends the result rows of one stored experiment. A row whose post fails is cancelled and
// counted; the rows after it are still written.
class TSaveForm {
public:
    TSaveForm(db::TSimDM& sim, std::int64_t idResult) : cds_(sim.cds), id_(idResult) {}

    void VlozVstup(const std::array<std::string, kProtokolle>& protocols) {
        Post(cds_.ResVstupCDS, [&](db::Cursor& c) {
            c.FieldByName("ID_Result").SetInteger(id_);
            for (std::size_t i = 0; i < protocols.size(); ++i)
                c.FieldByName(kProtokollFelder[i]).SetString(protocols[i]);
        });
    }

    void VlozTracing(int pSchritt, double pDistanzSpitze, double pBeschlGesamt, double pBeschlBO,
                     double pBeschlBrems, double pGeschwind, double pZeit, double pBeschlLuft,
                     double pGeschwLuft, double pGeschwRelLuft, const std::string& pUdalost) {
        Post(cds_.ResTracingCDS, [&](db::Cursor& c) {
            c.FieldByName("ID_Result").SetInteger(id_);
            c.FieldByName("Schritt").SetInteger(pSchritt);
            c.FieldByName("DistanzSpitze").SetFloat(pDistanzSpitze);
            c.FieldByName("BeschlGesamt").SetFloat(pBeschlGesamt);
            c.FieldByName("BeschlBO").SetFloat(pBeschlBO);
            c.FieldByName("BeschlBrems").SetFloat(pBeschlBrems);
            c.FieldByName("Geschwind").SetFloat(pGeschwind);
            c.FieldByName("Zeit").SetFloat(pZeit);
            c.FieldByName("BeschlLuft").SetFloat(pBeschlLuft);
            c.FieldByName("GeschwLuft").SetFloat(pGeschwLuft);
            c.FieldByName("GeschwRelLuft").SetFloat(pGeschwRelLuft);
            c.FieldByName("Udalost").SetString(Utf8Left(pUdalost, kUdalostLaenge));
        });
    }

    void VlozBKINA(const TBKINA& r) {
        Post(cds_.ResBKINACDS, [&](db::Cursor& c) {
            c.FieldByName("ID_Result").SetInteger(id_);
            c.FieldByName("Schritt").SetInteger(r.Kv);
            c.FieldByName("DistanzSpitze").SetFloat(r.X);
            for (std::size_t i = 0; i < 4; ++i) {
                const std::string n = std::to_string(i + 1);
                c.FieldByName("Bremse" + n).SetFloat(r.Bki[i]);
                c.FieldByName("AnzahlAchs" + n).SetFloat(r.Nb[i]);
            }
            c.FieldByName("BeschlOhneBKINA").SetFloat(r.Bki0);
            c.FieldByName("ZulasVerBschl").SetFloat(r.Sbkb);
            c.FieldByName("VerwBeschl").SetFloat(r.Sbkm);
        });
    }

    // A name is written only when there is one.
    void VlozBremsTyp(const std::array<std::string, 4>& names) {
        Post(cds_.ResBremsTypCDS, [&](db::Cursor& c) {
            c.FieldByName("ID_Result").SetInteger(id_);
            for (std::size_t i = 0; i < names.size(); ++i)
                if (!names[i].empty())
                    c.FieldByName("BremsName" + std::to_string(i + 1)).SetString(names[i]);
        });
    }

    int Dropped() const { return dropped_; }

private:
    void Post(db::Cursor& c, const std::function<void(db::Cursor&)>& fill) {
        try {
            c.Append();
            fill(c);
            c.Post();
        } catch (const std::exception&) {
            if (c.State() == db::DsState::Edit || c.State() == db::DsState::Insert) c.Cancel();
            ++dropped_;
        }
    }

    db::DocumentCursors& cds_;
    std::int64_t id_;
    int dropped_ = 0;
};

// Wind speed of every row as stored: an event row carries its event parameter in Vluft, so
// it gets the wind interpolated over Dist between the nearest ordinary rows around it.
std::vector<double> StoredWind(const TVysledky& s) {
    const int n = std::clamp(s.NVyst, 0, kMaxRows);
    const auto at = [](const std::vector<double>& c, int k) {
        return c[static_cast<std::size_t>(k)];
    };
    const auto isEvent = [&](int k) { return s.TeilSchr[static_cast<std::size_t>(k)] != evNone; };
    std::vector<int> next(static_cast<std::size_t>(n) + 2,
                          0);  // next ordinary row after k, 0: none
    for (int k = n - 1; k >= 1; --k)
        next[static_cast<std::size_t>(k)] =
            isEvent(k + 1) ? next[static_cast<std::size_t>(k + 1)] : k + 1;
    std::vector<double> wind(static_cast<std::size_t>(n) + 1, 0.0);
    int prev = 0;  // last ordinary row before k
    for (int k = 1; k <= n; ++k) {
        double& w = wind[static_cast<std::size_t>(k)];
        if (!isEvent(k)) {
            w = at(s.Vluft, k);
            prev = k;
            continue;
        }
        const int after = next[static_cast<std::size_t>(k)];
        if (prev > 0 && after > 0) {
            const double d0 = at(s.Dist, prev), d1 = at(s.Dist, after);
            const double v0 = at(s.Vluft, prev), v1 = at(s.Vluft, after);
            w = d1 == d0 ? v0 : v0 + (v1 - v0) * (at(s.Dist, k) - d0) / (d1 - d0);
        } else if (prev > 0) {
            w = at(s.Vluft, prev);
        } else if (after > 0) {
            w = at(s.Vluft, after);
        }
    }
    return wind;
}

void WriteSeriesRows(TSaveForm& form, const TVysledky& s) {
    const std::vector<double> wind = StoredWind(s);
    const int n = std::clamp(s.NVyst, 0, kMaxRows);
    for (int k = 1; k <= n; ++k) {
        const auto i = static_cast<std::size_t>(k);
        form.VlozTracing(k, s.Dist[i], s.Besch[i], s.Besch[i] - s.Bbrems[i] + s.Bluft[i],
                         s.Bbrems[i], s.Gesch[i], s.Zeit[i], s.Bluft[i], wind[i], s.Vrelat[i],
                         EventText(s.TeilSchr[i], s.Vluft[i]));
    }
}

void WriteControlRows(TSaveForm& form, const TVysledky& s) {
    const int n = std::min({s.IvBKINA, kMaxBKINA, static_cast<int>(s.BKINARes.size()) - 1});
    for (int j = 1; j <= n; ++j) form.VlozBKINA(s.BKINARes[static_cast<std::size_t>(j)]);
}

// Names of the first four retarders' types where they are controlled retarders (code 6).
std::array<std::string, 4> ControlledTypeNames(const model::TGleis& g) {
    std::array<std::string, 4> names;
    for (int i = 1; i <= 4 && i <= g.Nxbr; ++i)
        if (g.Kod[static_cast<std::size_t>(i)] == 6)
            names[static_cast<std::size_t>(i - 1)] = g.Bauart[static_cast<std::size_t>(i)];
    return names;
}

// Rows and protocols of the full result; the number of rows that could not be stored.
int WriteResults(db::TSimDM& sim, std::int64_t idResult, const TStoreInput& full) {
    TSaveForm form(sim, idResult);
    form.VlozVstup(BuildProtocols(full));
    {
        db::DocumentCursors& c = sim.cds;
        const ControlsSuspended suspended({&c.ResTracingCDS, &c.ResBremsTypCDS, &c.ResBKINACDS});
        WriteSeriesRows(form, full.series);
        WriteControlRows(form, full.series);
        form.VlozBremsTyp(ControlledTypeNames(full.exp.Gleis()));
    }
    db::Cursor& root = sim.cds.SimFallResultCDS;
    if (root.State() == db::DsState::Edit || root.State() == db::DsState::Insert) root.Post();
    return form.Dropped();
}

// Steps 1 and 2: the experiment record of that name, edited or appended, with the
// experiment's values. A failure cancels the edit and is reported; nothing then.
std::optional<std::int64_t> PostExperiment(db::TSimDM& sim, MessagePort& port,
                                           const model::TSimExperiment& exp) {
    db::Cursor& c = sim.cds.SimFallResultCDS;
    try {
        if (c.Locate("SimExpName", db::Value{exp._NSimExperiment}))
            c.Edit();
        else
            c.Append();
        exp.WriteToRecord(c);
        c.Post();
        return c.FieldByName("ID_Result").AsInteger();
    } catch (const std::exception& e) {
        if (c.Active() && (c.State() == db::DsState::Edit || c.State() == db::DsState::Insert))
            c.Cancel();
        port.Error("Das Simulationsexperiment \"" + exp._NSimExperiment +
                   "\" konnte nicht gespeichert werden.\n\r" + e.what());
        return std::nullopt;
    }
}

}  // namespace

TStoreResult StoreExperiment(db::TSimDM& sim, MessagePort& port, const model::TSimExperiment& exp,
                             const TStoreInput* full) {
    TStoreResult result;
    const std::optional<std::int64_t> id = PostExperiment(sim, port, exp);
    if (!id) return result;
    result.stored = true;
    result.idResult = *id;

    sim.Main().DeleteNestedRecords(sim.cds.SimFallResultCDS);
    if (full) {
        result.droppedRows = WriteResults(sim, result.idResult, *full);
        if (result.droppedRows > 0)
            port.Show(MsgKind::Plain, "Primary key violation\n\r" +
                                          std::to_string(result.droppedRows) +
                                          " Zeilen der Resultate wurden nicht gespeichert.");
    }
    try {
        sim.SaveInfoCDS();
        result.saved = !sim.Main().FileName().empty();
    } catch (const std::exception& e) {
        port.Error(e.what());
    }
    return result;
}

}  // namespace gvm::engine
