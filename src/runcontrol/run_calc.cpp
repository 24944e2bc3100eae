// The run window's modes, "Berechnen", storing, the result windows and the summary.
#include <algorithm>
#include <exception>

#include "base/text.h"
#include "engine/target_modes.h"
#include "model/wagon_group.h"
#include "runcontrol/run_controller.h"

namespace gvm::runcontrol {

namespace {

// The current set without a result: no rows, not calculated, no message.
void EmptyCurrent(engine::TVysledky& current, bool notReady) {
    current.NVyst = 0;
    current.Berechnet = false;
    current.WarnungMessage.clear();
    if (notReady) current.Bereit = false;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Modes

void TRunController::ChangeMode(int mode) { ApplyMode(std::clamp(mode, 0, 2)); }

void TRunController::ApplyMode(int mode) {
    mode_ = mode;
    engine::TResultSets& s = sets_;
    const bool runIn = mode == model::kZulaufprozess;
    engine::TVysledky& modeSet = mode == model::kZielbremsung ? s.ziel : runIn ? s.zulauf : s.normal;
    if (runIn) {
        if (engine::GroupChosen(exp_._IDWG1)) model::RollotEinlesen(ctx_, s.wgRunIn, exp_._IDWG1, true, kGroupColour);
        if (engine::GroupChosen(exp_._IDWGZug))
            model::RollotEinlesen(ctx_, s.wgRunIn, exp_._IDWGZug, false, kGroupColour);
        fZweiteWG = false;
    } else {
        fZweiteWG = engine::GroupChosen(exp_._IDWG1) && engine::GroupChosen(exp_._IDWG2);
    }
    engine_.fall.ZweiteWG = fZweiteWG;
    if (modeSet.Berechnet) {
        s.current.Assign(modeSet);
        // The drawn run begins at the start position as a track abscissa.
        if (runIn)
            wegARunIn_ = exp_._XZulaufStart;
        else
            wegA1_ = exp_._Xstart + exp_.Gleis().Xnull;
        sbHigh = false;
    } else {
        sbHigh = true;
        EmptyCurrent(s.current, mode != model::kNormalLauf);
    }
    if (runIn)
        s.runIn.Assign(s.zulauf);
    else
        s.group1.Assign(s.current);
    RefreshResultWindows();
    // Switching the mode checks "Auslaufgeschwindigkeit gültig" as a click would.
    if (!exp_._VausGleisRespect) {
        exp_._VausGleisRespect = true;
        sbHigh = true;
    }
    ShowParameters();
    FillGroupPanels();
    BuildSummary();
    Notify(TRunChange::Mode);
    Notify(TRunChange::Outdated);
}

// ---------------------------------------------------------------------------------------------
// "Berechnen"

bool TRunController::Berechnen() {
    if (Trim(nameText_).empty()) {
        port_.Show(MsgKind::Warning, "Der Name von Simulationsexperiment muß eingegeben werden.", MsgButtons::Ok);
        focus_ = TFocus::NameBox;
        focusParam_.reset();
        Notify(TRunChange::Focus);
        return false;
    }
    exp_._NSimExperiment = nameText_;
    exp_._Flags = mode_;
    Notify(TRunChange::ResultWindows);  // an open numeric window resets
    port_.ProcessEvents();

    const auto [group, series] = RunMode();
    Store(group, series);
    if (sets_.group1.NVyst > 0) wegA1_ = sets_.group1.Dist1();
    if (engine::SelectModeResult(sets_, mode_)) Notify(TRunChange::ResultWindows);
    sbHigh = false;
    BuildSummary();
    RefreshResultWindows();
    ShowParameters();
    loadedName_ = nameText_;
    ReadExperimentList();
    Notify(TRunChange::Outdated);
    return true;
}

std::pair<const model::TWagenGruppeN*, const engine::TVysledky*> TRunController::RunMode() {
    engine::TResultSets& s = sets_;
    switch (mode_) {
        case model::kZielbremsung: {
            s.ziel.Berechnet = s.ziel.Bereit = false;
            engine::TargetBraking(engine_, s, exp_, ctx_, true);
            const bool ok = s.ziel.Berechnet;
            if (ok)
                s.current.Assign(s.ziel);
            else
                Fail(s.ziel);
            s.group1.Assign(s.current);
            if (ok) return {&s.wg1, &s.group1};
            return {nullptr, nullptr};
        }
        case model::kZulaufprozess:
            s.zulauf.Berechnet = s.zulauf.Bereit = false;
            engine::RunInProcess(engine_, s, exp_, ctx_, true);
            if (!s.zulauf.Berechnet) break;
            s.current.Assign(s.zulauf);
            s.runIn.Assign(s.zulauf);
            wegARunIn_ = s.runIn.Dist1();
            return {&s.wgRunIn, &s.runIn};
        default:
            s.normal.Bereit = false;
            engine::NormalRun(engine_, s, exp_, ctx_, true);
            if (!s.normal.Berechnet) break;
            s.current.Assign(s.normal);
            s.group1.Assign(s.normal);
            return {&s.wg1, &s.group1};
    }
    if (mode_ != model::kZielbremsung) Fail(mode_ == model::kZulaufprozess ? s.zulauf : s.normal);
    return {nullptr, nullptr};
}

// A run that ended without a result. The refusal's message stays with the error grade in the
// current set and in the mode's set, so that the mode's display shows why nothing was calculated.
void TRunController::Fail(engine::TVysledky& modeSet) {
    const std::string message = sets_.current.WarnungMessage;
    ClearAllResults();
    for (engine::TVysledky* set : {&sets_.current, &modeSet}) {
        set->ResultsMeldung = engine::rmError;
        set->WarnungMessage = message;
    }
}

void TRunController::Store(const model::TWagenGruppeN* group, const engine::TVysledky* series) {
    lastStore_ = {};
    if (!fStoreOnCalculate || !LocateCase()) return;
    db::Cursor& r = sim_.cds.SimFallResultCDS;
    try {
        if (fAlleResSpeichern && group && series) {
            const auto [datum, zeit] = Stamps();
            const engine::TStoreInput full{exp_, *group, ctx_.lastRun, engine_, *series, options_.nf, datum, zeit};
            lastStore_ = engine::StoreExperiment(sim_, port_, exp_, &full);
        } else {
            lastStore_ = engine::StoreExperiment(sim_, port_, exp_, nullptr);
        }
    } catch (const std::exception& e) {
        // Storing never ends the window's work: the edit is dropped and the failure reported.
        if (r.State() == db::DsState::Edit || r.State() == db::DsState::Insert) r.Cancel();
        port_.Error(e.what());
        lastStore_.saved = false;
    }
    if (lastStore_.stored) exp_._IDSimExp = static_cast<int>(lastStore_.idResult);
}

// ---------------------------------------------------------------------------------------------
// Results

void TRunController::ClearAllResults() {
    windows_.graphOpen = windows_.numericOpen = false;
    windows_.draw = false;
    fDetailAusgabe = false;
    engine::TResultSets& s = sets_;
    for (engine::TVysledky* set : {&s.group1, &s.group2, &s.runIn, &s.normal, &s.ziel, &s.zulauf, &s.current})
        set->Clear();
    Notify(TRunChange::ResultWindows);
}

void TRunController::RefreshResultWindows() {
    engine::TVysledky& cur = sets_.current;
    windows_.calculated = cur.Berechnet;
    windows_.draw = false;
    if (!cur.Berechnet) {
        windows_.graphOpen = windows_.numericOpen = false;
        Notify(TRunChange::ResultWindows);
        return;
    }
    cur.DataLesen(engine_.work);
    cur.ZielEingegeben = mode_ != model::kNormalLauf;
    const model::TSimExperiment& e = exp_;
    const double xstart = e._Xstart + e.Gleis().Xnull;
    switch (mode_) {
        case model::kZielbremsung: windows_.chart = {false, e._VZielbrems, e._XZielbrems, e._Vab, xstart}; break;
        case model::kZulaufprozess:
            windows_.chart = {true, e._VZulaufEnde, e._XZulaufEnde, e._VZulaufStart, e._XZulaufStart};
            break;
        default: windows_.chart = {false, -1.0, e._Xtot, e._Vab, xstart}; break;
    }
    if (windows_.graphOpen) {
        windows_.graphCaption = "Graphische Ausgabe - " + e._NSimExperiment + model::ModeCaption(mode_);
        windows_.draw = true;
    }
    Notify(TRunChange::ResultWindows);
}

void TRunController::SetGraphWindow(bool open) {
    windows_.graphOpen = open;
    if (open) RefreshResultWindows();
    Notify(TRunChange::ResultWindows);
}

void TRunController::SetNumericWindow(bool open) {
    windows_.numericOpen = open;
    if (open) RefreshResultWindows();
    Notify(TRunChange::ResultWindows);
}

void TRunController::SetDetailAusgabe(bool on) {
    fDetailAusgabe = on;
    windows_.graphOpen = windows_.numericOpen = on;
    if (on) RefreshResultWindows();
    Notify(TRunChange::ResultWindows);
}

void TRunController::BuildSummary() {
    const engine::TResultSets& s = sets_;
    const engine::TVysledky& modeSet =
        mode_ == model::kZielbremsung ? s.ziel : mode_ == model::kZulaufprozess ? s.zulauf : s.normal;
    const model::TSimExperiment& e = exp_;
    const TSummaryInput in{.mode = mode_,
                           .outdated = sbHigh,
                           .current = s.current,
                           .modeSet = modeSet,
                           .track = SummaryRetarders(e.Gleis(), engine_),
                           .ddx = engine_.gitter.Schritt > 0 ? engine_.gitter.Schritt : e._Ddx0,
                           .q = engine_.fall.Q > 0 ? engine_.fall.Q : 0.0001,
                           .Xtot = e._Xtot,
                           .XZielbrems = e._XZielbrems,
                           .VZielbrems = e._VZielbrems,
                           .XZulaufEnde = e._XZulaufEnde,
                           .VZulaufEnde = e._VZulaufEnde,
                           .ZulaufVmaxStart = e._ZulaufVmaxStart,
                           .MaxEinlauf = s.MaxEinlauf,
                           .nf = options_.nf};
    summary_ = BuildRunSummary(in);
    Notify(TRunChange::Summary);
}

void TRunController::SetOutdated() {
    sbHigh = true;
    BuildSummary();
    Notify(TRunChange::Outdated);
}

}  // namespace gvm::runcontrol
