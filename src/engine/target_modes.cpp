// Target braking and the run-in process with their start checks, questions and grading; the
// mode switch; the experiment slots of the optimisation.

#include "engine/target_modes.h"

#include <algorithm>
#include <string>

#include "engine/exit_speed_search.h"

namespace gvm::engine {

namespace {

constexpr double kZielPosToleranz = 0.01;    // target braking: position short by [m]
constexpr double kZielVToleranz = 0.01;      // target braking: speed low by [m/s]
constexpr double kZuSchwachToleranz = 0.02;  // target braking: speed high by [m/s]
constexpr double kZulaufZuHoch = 0.12;       // run-in: speed at the target high by [m/s]
constexpr double kZulaufZuNiedrig = 0.01;    // run-in: speed at the target low by [m/s]
constexpr double kZulaufFrage = 150.0;       // run-in: first retarder before the crest by [m]
constexpr double kZulaufAuslaufTol = 0.01;   // run-in: target after the group left [m]

// The working retarder counts an operation changes and gives back.
struct KeptCounts {
    explicit KeptCounts(const TStrecke& g) : nxbr(g.Nxbr), inxbr(g.Inxbr) {}
    void Restore(TStrecke& g) const {
        g.Nxbr = nxbr;
        g.Inxbr = inxbr;
    }
    int nxbr, inxbr;
};

std::size_t Slot(int i) {
    return static_cast<std::size_t>(i);
}

bool Reaches(const TVysledky& r, double x) {
    return r.NumVyst() > 0 && r.DistEnd() >= x;
}

// Text pieces shared by target braking and the run-in process.
std::string BremsvermoegenText(const TEngine& e, double vz, double xz) {
    return "Bremsvermögen der aktiven Bremsen ist ungenügend " +
           std::string("oder die Neigung der Strecke erlaubt nicht ") +
           "Abbremsen der Wagengruppe auf die verlangte " + "Zielgeschwindigkeit " +
           FormatPos(e, vz) + " m/s " + "in der Distanz von " + FormatPos(e, xz) + " m." + "\r" +
           "\r";
}

// ---------------------------------------------------------------------------------------------
// Target braking

// Start checks in their order; each replaces the message. May switch to the approximation
// speed.
void TargetStartChecks(TEngine& engine, double x0, double& v, TMeldung& m) {
    const TStrecke& g = engine.gleis;
    if (v < 0)
        m.Set(
            "Der Simulationslauf kann nicht mit negative Abdrücksgeschwindigkeit realisiert "
            "werden!\r\r",
            rmError);
    const TStartBeschleunigung a0 = StartBeschleunigung(engine, x0 - g.Xnull);
    if (v == 0 && !(a0.Summe > 0)) {
        m.Set(NaeherungsText(engine, x0, a0.Summe), rmWarn);
        v = kNaeherungsSpeed;
        engine.NaeherungsStart = true;
    }
    if (g.Nxbr > 0 && g.Kod[Slot(g.Nxbr)] == 0) {
        m.Set(
            "Die letzte Bremse ist eine Hemmschuhbremse.\rDie Hemmschuhbremse kann bei "
            "Zielbremsung nicht mitwirken und so die Zielbremsung kann nicht simuliert "
            "werden.\r\r",
            rmError);
        engine.work.Clear();  // the refusal empties the engine result as well
    }
}

// Checks of the search's outcome in their order; each appends.
void TargetAfterSearchChecks(const TEngine& engine, double s, double vz, double xz, TMeldung& m) {
    const TStrecke& g = engine.gleis;
    const auto in = Slot(g.Inxbr);
    if (engine.fall.VausGleisRespect && g.Vaus[in] > g.VausGleis[in])
        m.Append("Die Sollgeschwindigkeit nach der letzten Bremse " +
                     FormatPos(engine, g.Vaus[in]) + " [m/s] " +
                     "ist höher als die eingegebene Auslaufgeschwindigkeit der Bremse " +
                     FormatPos(engine, g.VausGleis[in]) + " [m/s],  " +
                     "was eine unkorrekte Dateneingabe ist." + "\r" + "\r",
                 rmError);
    const auto nx = Slot(g.Nxbr);
    if (g.Nxbr > 0 && g.Kod[nx] == 9 && g.Vaus[nx] > s && xz > g.Xbu[nx] + g.Xnull)
        m.Append("Die letzte Bremse ist eine Fördereinrichtung mit Sollgeschwindigkeit " +
                     FormatPos(engine, g.Vaus[nx]) + " [m/s], die grösser als " +
                     "die Zielgeschwindigkeit " + FormatPos(engine, vz) + " [m/s] ist." + "\r" +
                     "Die Fördereinrichtung kann dadurch bei " +
                     "Zielbremsung nicht mitwirken und wird " +
                     "in Berechnungen nicht berücksichtigt." + "\r" + "\r",
                 rmError);
    const TVysledky& r = engine.result;
    const double distEnd = r.DistEnd();
    if (distEnd < xz - kZielPosToleranz || s < vz - kZielVToleranz) {
        const bool stopped = distEnd < xz;
        m.Append("Die dynamische Bedingungen des Rollots erlauben nicht " +
                     std::string("die Zielposition ") + FormatPos(engine, xz) + " m zu erreichen." +
                     "\r" + "\r" + (stopped ? " Der Rollot bleibt " : " Der Rollot hat ") +
                     "an der Position " + FormatPos(engine, distEnd) + " m" +
                     (stopped ? std::string(" stehen. ") + "\r" + "\r"
                              : std::string(" zu niedrige Geschwindigkeit. ") + "\r" + "\r"),
                 rmError);
    }
}

std::string ZuSchwachText(const TEngine& engine, double vz, double xz) {
    if (!engine.suche.ZuSchnell) return BremsvermoegenText(engine, vz, xz);
    return "Die Einlaufgeschwindigkeit der Wagengruppe ist zu hoch. " +
           std::string("Bremsvermögen der aktiven Bremsen ist ungenügend ") +
           "zum Abbremsen der Wagengruppe auf die verlangte " + "Zielgeschwindigkeit " +
           FormatPos(engine, vz) + " m/s " + "in der Distanz von " + FormatPos(engine, xz) + " m." +
           "\r" + "\r";
}

// ---------------------------------------------------------------------------------------------
// Run-in process

// The retarders before the crest become the whole list; the search starts before the first.
void RunInRange(TStrecke& g) {
    g.IbrStart = 1;
    g.Inxbr = 0;
    while (g.Inxbr < g.Nxbr && g.Xbu[Slot(g.Inxbr + 1)] < g.Xgipf) ++g.Inxbr;
    g.Nxbr = g.Inxbr;
}

// A start before a run-in retarder far ahead of the crest may move to its entry.
void RunInStartQuestion(TEngine& engine, const model::TWagenGruppeN& group, double& xs) {
    const TStrecke& g = engine.gleis;
    if (g.Nxbr < 1) return;
    const double entry = g.Xbu[1] + g.Xnull;
    if (!(g.Xgipf - g.Xbu[1] > kZulaufFrage && xs < entry)) return;
    const std::string text =
        "Die Wagengruppe soll nicht vor der Einlaufbremse\rstehen. Die "
        "eingegebene Startposition " +
        FormatPos(engine, xs) + " m " + "\r" +
        "soll zumindest an der unteren Grenze der Einlaufbremse " + "\r" +
        FormatPos(engine, entry) + " m liegen! Soll die Startposition" + "\r" +
        "auf den Anfang der Bremse gestellt werden?" + "\r" + "\r";
    if (engine.port().Show(MsgKind::Warning, text, MsgButtons::YesNo) == MsgAnswer::Yes)
        xs = group.Ok1() + entry;
}

// Static checks in their order; each appends. `nxbrTrack` is the track's retarder count
// before the run-in range cut it.
void RunInStaticChecks(TEngine& engine, const model::TWagenGruppeN& group, int nxbrTrack, double xe,
                       double xs, TMeldung& m) {
    TStrecke& g = engine.gleis;
    const auto in = Slot(g.Inxbr);
    if (g.Inxbr == 0) {
        m.Append("Es gibt keine Zulaufbremse vor dem Gravimontsgipfel." + std::string("\r") +
                     "Zulaufprozess kann nicht simuliert werden." + "\r" + "\r",
                 rmError);
    } else {
        if (g.Wbr[in] == 0) {
            g.Wbr[in] = 100;
            m.Append("Wirkungsgrad der Zulaufbremse ist Null eingegeben!" + std::string("\r") +
                         "Es wurde auf 100% gesetzt, sonst könnte " +
                         "das Zulaufprozess nicht simuliert werden!" + "\r" + "\r",
                     rmBemerk);
        }
        const double einlauf = group.Ok1() + g.Xbu[in] + g.Xnull;
        if (xe < einlauf)
            m.Append("Die eingegebene Zulaufposition " + FormatPos(engine, xe) + " m kann" + "\r" +
                         "nicht vor der Einlaufposition der Wagengruppe " + "in der Zulaufbremse " +
                         FormatPos(engine, einlauf) + " m liegen!" + "\r" + "\r",
                     rmError);
        // Without a retarder behind the run-in range nothing bounds the target from above.
        if (g.Inxbr + 1 <= nxbrTrack) {
            const double next = g.Xbu[in + 1] + g.Xnull;
            if (xe >= next)
                m.Append("Die eingegebene Zulaufposition " + FormatPos(engine, xe) + " m kann " +
                             "nicht weiter als die untere Grenze " + "der Hauptbremse " +
                             FormatPos(engine, next) + " m liegen!" + "\r" + "\r",
                         rmError);
        }
        const double auslauf = group.Ok9() + g.Xbo[in] + g.Xnull;
        if (xe >= auslauf + kZulaufAuslaufTol)
            m.Append("Die eingegebene Zulaufposition " + FormatPos(engine, xe) +
                         " m kann nicht nach dem Auslauf der Wagengruppe aus der Zulaufbremse " +
                         FormatPos(engine, auslauf) + " m liegen!" + "\r" +
                         "Sonst würde die Wagengruppe ungesteuert beschleunigen!" + "\r" + "\r",
                     rmError);
    }
    if (xs < g.Xnull)
        m.Append("Die Zulaufstartposition " + FormatPos(engine, xs) + " m " +
                     "kann nicht vor dem Anfang der Strecke " + FormatPos(engine, g.Xnull) +
                     " m liegen!" + "\r" + "\r",
                 rmError);
}

// Checks of the search's outcome; each appends.
void RunInDynamicChecks(const TEngine& engine, double s, double ve, double xe, double xs,
                        TMeldung& m) {
    const TVysledky& r = engine.result;
    if (r.DistEnd() < xe) {
        m.Append("Die dynamische Bedingungen des Rollots erlauben nicht " +
                     std::string("die gewünschte Zielposition ") + FormatPos(engine, xe) +
                     " m zu erreichen." + "\r" + "Der Rollot bleibt an der Position " +
                     FormatPos(engine, r.DistEnd()) + " m stehen. " + "\r" + "\r",
                 rmError);
        return;
    }
    if (!(ve > s + kZulaufZuNiedrig) || m.grade >= rmError) return;
    if (r.NumVyst() >= 2) {
        m.Append("Das Profil der Zulaufstrecke erlaubt nicht die " +
                     std::string("Zulaufgeschwindigkeit ") + FormatPos(engine, ve) + " m/s " +
                     "zu erreichen." + "\r" + "An der Zulaufposition " + FormatPos(engine, xe) +
                     " m " + "kann die " + "Geschwindigkeit höchst " + FormatPos(engine, s) +
                     " m/s sein." + "\r" + "\r",
                 rmError);
    } else {
        const TStartBeschleunigung a0 = StartBeschleunigung(engine, xs - engine.gleis.Xnull);
        m.Append("Die Wagengruppe steht im Stillstand an der Position " + FormatPos(engine, xs) +
                     " m, weil " + "Rollwiderstand " + FormatAcc(engine, a0.Roll) + " m/s^2" +
                     " grösser als Neigungskraft " + FormatAcc(engine, a0.Neig) + " m/s^2 ist." +
                     "\r" + "Insgesamt ist die Anfangsbeschleunigung " +
                     FormatAcc(engine, a0.Summe) + " m/s^2." + "\r" + "\r",
                 rmError);
    }
}

void CopyFound(TStrecke& g, int from, int to) {
    for (int i = std::max(from, 0); i <= std::min(to, model::kMaxBremsen); ++i)
        g.VausGefunden[Slot(i)] = g.Vaus[Slot(i)];
}

// ---------------------------------------------------------------------------------------------
// Slots

void CopyLauf(const TVysledky& r, TSlotLauf& lauf, bool mitGesch) {
    const auto n = static_cast<std::ptrdiff_t>(std::clamp(r.NVyst, 0, kMaxRows)) + 1;
    lauf.N = r.NVyst;
    lauf.Dist.assign(r.Dist.begin(), r.Dist.begin() + n);
    lauf.Zeit.assign(r.Zeit.begin(), r.Zeit.begin() + n);
    if (mitGesch)
        lauf.Gesch.assign(r.Gesch.begin(), r.Gesch.begin() + n);
    else
        lauf.Gesch.clear();
}

void CopyMain(const TVysledky& r, TExperimentSlot& slot) {
    CopyLauf(r, slot.main, true);
    slot.Ok1 = r.Ok1;
    slot.Ok9 = r.Ok9;
    slot.SxF = r.SxF;
}

// A run of the slot's group from its experiment's start to its end with the working Vaus.
void SlotRun(TEngine& engine, TExperimentSlot& slot) {
    engine.Simulate(slot.group, slot.Xstart, slot.Vab, slot.Xtot, -1);
}

// Vaus with the controlled retarders moved by their tolerance (+1 up, -1 down).
void TolerancedVaus(TStrecke& g, int sign) {
    g.Vaus = g.VausGleis;
    for (int i = 1; i <= g.Nxbr; ++i) {
        const auto is = Slot(i);
        if (g.Bauart[is].empty() || g.Bauart[is][0] != '6' || !(g.Vaus[is] > 0)) continue;
        g.Vaus[is] =
            sign > 0 ? g.VausGleis[is] + g.Vaus_plus[is] : g.VausGleis[is] - g.Vaus_minus[is];
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------------

void TargetBrakingRun(TEngine& engine, TResultSets& sets, model::TWagenGruppeN& group,
                      TVysledky& groupResult, bool recalculate, double vz, double xz, double v,
                      double x0) {
    TStrecke& g = engine.gleis;
    TMeldung m;
    engine.NaeherungsStart = false;
    TargetStartChecks(engine, x0, v, m);
    if (m.grade == rmError) {
        engine.NaeherungsStart = false;
        RefuseStart(engine, sets.ziel, sets.current, m);
        return;
    }
    const bool naeherung = engine.NaeherungsStart;

    const KeptCounts kept(g);
    LowerLastRetarder(engine, group, xz);
    const double s = ExitSpeedSearch(engine, group, vz, xz, v, x0);
    TargetAfterSearchChecks(engine, s, vz, xz, m);

    if (m.grade < rmError && Reaches(engine.result, xz)) {
        if (s > vz + kZuSchwachToleranz) m.Append(ZuSchwachText(engine, vz, xz), rmError);
        if (recalculate) {
            if (!sets.ziel.Bereit) {
                if (m.grade < rmError) CopyFound(g, g.IbrStart, g.Inxbr);
            } else {
                // Re-run with the search's own start speed: after an approximation start that
                // is 0.1 m/s, and the time axis starts again at the separation.
                g.Vaus = g.VausGefunden;
                engine.NaeherungsStart = naeherung;
                engine.Simulate(group, x0 - g.Xnull, v, xz, vz);
                engine.NaeherungsStart = false;
            }
            engine.result.Bereit = true;
        }
    }
    HandOver(engine, sets.ziel, sets.current, groupResult, m);
    kept.Restore(g);
}

void TargetBraking(TEngine& engine, TResultSets& sets, model::TSimExperiment& exp,
                   model::ModelContext& ctx, bool recalculate) {
    engine.PrepareCase(exp, model::kZielbremsung);
    sets.group1.Clear();
    sets.group2.Clear();
    StartBeforeCrestQuestion(engine, true);
    if (recalculate) {
        const TFallDaten& f = engine.fall;
        const double x0 = f.Xstart + engine.gleis.Xnull;
        if (GroupChosen(exp._IDWG2) && model::RollotEinlesen(ctx, sets.wg2, exp._IDWG2, true, 0) &&
            engine.PrepareGroup(sets.wg2))
            TargetBrakingRun(engine, sets, sets.wg2, sets.group2, true, f.VZielbrems, f.XZielbrems,
                             f.Vab, x0);
        if (model::RollotEinlesen(ctx, sets.wg1, exp._IDWG1, true, 0) &&
            engine.PrepareGroup(sets.wg1)) {
            TargetBrakingRun(engine, sets, sets.wg1, sets.group1, true, f.VZielbrems, f.XZielbrems,
                             f.Vab, x0);
            sets.MaxEinlauf = engine.suche.MaxEinlauf;
        } else {
            // A group that cannot be prepared is skipped; no earlier rows may stay visible.
            engine.result.Clear();
            sets.ziel.Clear();
            sets.current.Clear();
        }
    }
    exp._Flags = model::kZielbremsung;
}

void RunInRun(TEngine& engine, TResultSets& sets, model::TWagenGruppeN& group,
              TVysledky& groupResult, bool recalculate, double ve, double xe, double vs,
              double xs) {
    TStrecke& g = engine.gleis;
    const int nxbrTrack = g.Nxbr;
    RunInRange(g);
    RunInStartQuestion(engine, group, xs);

    TMeldung m;
    engine.NaeherungsStart = false;
    RunInStaticChecks(engine, group, nxbrTrack, xe, xs, m);
    if (m.grade == rmError) {
        RefuseStart(engine, sets.zulauf, sets.current, m);
        return;
    }

    const KeptCounts kept(g);
    LowerLastRetarder(engine, group, xe);
    const double s = ExitSpeedSearch(engine, group, ve, xe, vs, xs);
    RunInDynamicChecks(engine, s, ve, xe, xs, m);

    if (m.grade < rmError && Reaches(engine.result, xe)) {
        if (s > ve + kZulaufZuHoch) m.Append(BremsvermoegenText(engine, ve, xe), rmError);
        if (recalculate) {
            if (!sets.zulauf.Bereit) {
                if (m.grade < rmError) CopyFound(g, 1, g.Inxbr);
                engine.result.Bereit = m.grade < rmError;
            } else {
                g.Vaus = g.VausGefunden;
                engine.Simulate(group, xs - g.Xnull, vs, xe, ve);
                engine.result.Bereit = true;
            }
        }
    }
    HandOver(engine, sets.zulauf, sets.current, groupResult, m);
    kept.Restore(g);
    g.Vaus = g.VausGleis;
}

void RunInProcess(TEngine& engine, TResultSets& sets, model::TSimExperiment& exp,
                  model::ModelContext& ctx, bool recalculate) {
    engine.PrepareCase(exp, model::kZulaufprozess);
    sets.group1.Clear();
    sets.group2.Clear();
    if (recalculate) {
        model::RollotEinlesen(ctx, sets.wgRunIn, exp._IDWG1, true, 0);
        // A train that cannot be read leaves the group reset, and its preparation fails.
        if (GroupChosen(exp._IDWGZug))
            model::RollotEinlesen(ctx, sets.wgRunIn, exp._IDWGZug, false, 0);
        if (engine.PrepareGroup(sets.wgRunIn)) {
            const TFallDaten& f = engine.fall;
            RunInRun(engine, sets, sets.wgRunIn, sets.runIn, true, f.VZulaufEnde, f.XZulaufEnde,
                     f.VZulaufStart, f.XZulaufStart);
            exp._ZulaufVmaxStart = engine.suche.MaxEinlauf;
        }
    }
    exp._Flags = model::kZulaufprozess;
}

bool SelectModeResult(TResultSets& sets, int mode) {
    switch (mode) {
        case model::kNormalLauf:
            sets.current.Assign(sets.normal);
            return true;
        case model::kZielbremsung:
            if (sets.ziel.Bereit) sets.current.Assign(sets.ziel);
            return sets.ziel.Bereit;
        case model::kZulaufprozess:
            if (sets.zulauf.Bereit) sets.current.Assign(sets.zulauf);
            return sets.zulauf.Bereit;
        default:
            return false;
    }
}

bool SlotPrepare(TEngine& engine, TResultSets& sets, model::TSimExperiment& exp,
                 model::ModelContext& ctx, TExperimentSlot& slot, TExperimentSlot& zielKopie) {
    engine.PrepareCase(exp, model::kNormalLauf);
    const bool read = model::RollotEinlesen(ctx, slot.group, exp._IDWG1, true, 0);
    sets.ziel.Bereit = false;
    if (!read || !engine.PrepareGroup(slot.group)) return false;
    TStrecke& g = engine.gleis;
    // Target braking prepares the case for its own mode; the re-runs keep the normal run's.
    slot.Xstart = engine.fall.Xstart;
    slot.Vab = engine.fall.Vab;
    slot.Xtot = engine.fall.Xtot;

    g.Vaus = g.VausGleis;
    SlotRun(engine, slot);
    slot.resultate.Assign(engine.result);
    CopyMain(engine.result, slot);

    TolerancedVaus(g, +1);
    SlotRun(engine, slot);
    CopyLauf(engine.result, slot.second, false);

    TolerancedVaus(g, -1);
    SlotRun(engine, slot);
    CopyLauf(engine.result, slot.third, false);

    TargetBraking(engine, sets, exp, ctx, true);
    slot.resultate.Assign(engine.result);
    zielKopie.resultate.Assign(engine.result);
    CopyMain(engine.result, zielKopie);

    engine.gleis.Vaus = engine.gleis.VausGleis;
    return true;
}

int SlotRerun(TEngine& engine, TExperimentSlot& slot) {
    // The static tables belong to the group prepared last; the slot's may not be it.
    if ((engine.gruppe != &slot.group || !engine.gitter.Bereit) && !engine.PrepareGroup(slot.group))
        return 0;
    SlotRun(engine, slot);
    slot.resultate.Assign(engine.result);
    CopyLauf(engine.result, slot.main, true);
    return slot.main.N;
}

}  // namespace gvm::engine
