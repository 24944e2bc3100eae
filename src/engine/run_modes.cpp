// Run operations and their start checks; the normal run.

#include "engine/run_modes.h"

#include "base/numfmt.h"

namespace gvm::engine {

namespace {

std::string StillstandText(const TEngine& e, double startAbs, const TStartBeschleunigung& a) {
    return "Die Wagengruppe steht im Stillstand an der Position " + FormatPos(e, startAbs) +
           " m, weil " + "Rollwiderstand " + FormatAcc(e, a.Roll) + " m/s^2" + " grösser " + "\r" +
           "als Neigungskraft " + FormatAcc(e, a.Neig) + " m/s^2 ist. Insgesamt ist " +
           "die Anfangsbeschleunigung " + FormatAcc(e, a.Summe) + " m/s^2." + "\r" + "\r";
}

std::string EndeVerfehltText(const TEngine& e, double xtot, double distEnd) {
    return "Das Profil der Strecke erlaubt nicht die " + std::string("gewünschte Endposition ") +
           FormatPos(e, xtot) + " m " + "zu erreichen. " + "\r" +
           "Die Wagengruppe wird an der Position " + FormatPos(e, distEnd) + " m " +
           "zum Stillstand kommen." + "\r" + "\r";
}

}  // namespace

std::string FormatPos(const TEngine& engine, double v) {
    return FormatFloatF(v, 4, 2, engine.numfmt());
}

std::string FormatAcc(const TEngine& engine, double v) {
    return FormatFloatF(v, 6, 4, engine.numfmt());
}

std::string NaeherungsText(const TEngine& e, double startAbs, double besch) {
    return "Die Wagengruppe steht im Stillstand an der Position " + FormatPos(e, startAbs) +
           " m, weil " + "Abdrückgeschwindigkeit " +
           "gleich Null und auch die Anfangsbeschleunigung " + FormatAcc(e, besch) + " m/s^2 " +
           " nicht positive ist." + "\r" + "\r" + "Der Simulationslauf wird mit einer " +
           "Näherungsgeschwindigkeit " + FormatPos(e, kNaeherungsSpeed) + " m/s " +
           "gestartet werden." + "\r" + "\r";
}

void Deliver(TVysledky& set, const TMeldung& m) {
    set.WarnungMessage = m.text;
    set.ResultsMeldung = m.grade;
}

void RefuseStart(TEngine& engine, TVysledky& modeSet, TVysledky& current, const TMeldung& m) {
    engine.result.Clear();
    modeSet.Clear();
    current.Clear();
    Deliver(engine.result, m);
    Deliver(current, m);
}

void StartBeforeCrestQuestion(TEngine& engine, bool zielbremsung) {
    if (!(engine.fall.Xstart - engine.gleis.Xgipf < -50)) return;
    std::string text =
        "Die Startposition des Rollots ist vor dem Gipfel in der Zulaufzone. Die Bremse vor dem "
        "Gippfel werden "
        "auch eingeschaltet.";
    if (!zielbremsung) text += " ";
    if (engine.port().Show(MsgKind::Warning, text, MsgButtons::YesNo) == MsgAnswer::Yes)
        engine.gleis.IbrStart = 1;
}

TStartBeschleunigung StartBeschleunigung(const TEngine& engine, double xstartProfile) {
    const auto i = static_cast<std::size_t>(engine.GridIndex(xstartProfile));
    return {engine.gitter.BStat[i], engine.gitter.BNeig[i], engine.gitter.BRoll[i]};
}

void NormalRunCore(TEngine& engine, TResultSets& sets, model::TWagenGruppeN& group,
                   TVysledky& groupResult, double vstart, double xstartProfile) {
    engine.gleis.Vaus = engine.gleis.VausGleis;
    engine.NaeherungsStart = false;
    TMeldung m;
    const double startAbs = xstartProfile + engine.gleis.Xnull;

    if (vstart < 0) {
        m.Set(
            "Der Simulationslauf kann nicht mit negative \rAbdrückgeschwindigkeit realisiert "
            "werden!\r\r",
            rmError);
        RefuseStart(engine, sets.normal, sets.current, m);
        return;
    }
    const TStartBeschleunigung a0 = StartBeschleunigung(engine, xstartProfile);
    if (vstart == 0 && !(a0.Summe > 0)) {
        m.Set(NaeherungsText(engine, startAbs, a0.Summe), rmWarn);
        vstart = kNaeherungsSpeed;
        engine.NaeherungsStart = true;
    }

    engine.Simulate(group, xstartProfile, vstart, engine.fall.Xtot, -1);

    if (engine.result.NumVyst() < 2)
        m.Append(StillstandText(engine, startAbs, a0), rmWarn);
    else if (engine.result.DistEnd() < engine.fall.Xtot)
        m.Append(EndeVerfehltText(engine, engine.fall.Xtot, engine.result.DistEnd()), rmWarn);

    HandOver(engine, sets.normal, sets.current, groupResult, m);
    sets.normal.Bereit = true;
    sets.normal.Berechnet = true;
}

void HandOver(TEngine& engine, TVysledky& modeSet, TVysledky& current, TVysledky& groupResult,
              const TMeldung& m) {
    // The copies carry the message and grade along.
    Deliver(engine.result, m);
    modeSet.Assign(engine.result);
    current.Assign(engine.result);
    groupResult.Assign(engine.result);
}

void NormalRun(TEngine& engine, TResultSets& sets, model::TSimExperiment& exp,
               model::ModelContext& ctx, bool recalculate) {
    engine.PrepareCase(exp, model::kNormalLauf);
    sets.group1.Clear();
    sets.group2.Clear();
    StartBeforeCrestQuestion(engine, false);
    if (!recalculate && sets.normal.Berechnet) {
        exp._Flags = model::kNormalLauf;
        return;
    }

    const TFallDaten& f = engine.fall;
    if (GroupChosen(exp._IDWG2)) {
        // The second group runs without checks; its series is shown beside the first's.
        if (model::RollotEinlesen(ctx, sets.wg2, exp._IDWG2, true, 0) &&
            engine.PrepareGroup(sets.wg2)) {
            engine.Simulate(sets.wg2, f.Xstart, f.Vab, f.Xtot, -1);
            sets.group2.Assign(engine.result);
        }
    }

    if (model::RollotEinlesen(ctx, sets.wg1, exp._IDWG1, true, 0) &&
        engine.PrepareGroup(sets.wg1)) {
        NormalRunCore(engine, sets, sets.wg1, sets.group1, f.Vab, f.Xstart);
    } else {
        // A group that cannot be prepared is skipped; no earlier rows may stay visible.
        engine.result.Clear();
        sets.normal.Clear();
        sets.current.Clear();
    }
    exp._Flags = model::kNormalLauf;
}

}  // namespace gvm::engine
