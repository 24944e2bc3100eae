// The run window's track and wagon-group choices, the start proposals and the automatic name.
#include "model/wagon_group.h"
#include "runcontrol/run_controller.h"

namespace gvm::runcontrol {

namespace {

std::string VariantName(db::Cursor& variants, const char* key, std::int64_t id) {
    if (!variants.Active() || !variants.Locate(key, db::Value{id})) return "---";
    return variants.FieldByName("Name").AsString();
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Track

void TRunController::SelectTrack(std::int64_t idGleis) {
    if (idGleis <= 0) return;
    exp_.Set_IDGleis(static_cast<int>(idGleis));
    const double xnull = exp_.Gleis().Xnull;
    if (engine::GroupChosen(exp_._IDWG1)) {
        exp_._Xstart = ProposedStart();
        DefaultTimeOffset();
    }
    exp_._Xtot = exp_.Gleis().XtotNeig;
    exp_._XZielbrems = exp_._Xtot;
    exp_._XZulaufStart = xnull;
    exp_._XZulaufEnde = exp_._Xstart + xnull;
    FillTrackView();
    ShowParameters();
    RefreshAutoName();
    if (!fLoading) ClearAllResults();
    SetOutdated();
}

void TRunController::FillTrackView() {
    TTrackView v;
    db::Cursor& g = sim_.cds.GleisCDS;
    if (g.Active() && exp_.IDGleis() > 0 && g.Locate("ID_Gleis", db::Value{std::int64_t{exp_.IDGleis()}})) {
        const auto text = [&](const char* f) { return g.FieldByName(f).AsString(); };
        const auto ref = [&](const char* f) { return g.FieldByName(f).AsInteger(); };
        v = {text("Bahnhof"), text("Berggleis"), text("Richtungsgleis"), text("Variante"), text("Bemerkung"),
             {}, {}, {}, {}, {}, {}, {}};
        const std::int64_t neig = ref("ID_Neig"), bogen = ref("ID_Bogen"), brems = ref("ID_Brems"),
                           weich = ref("ID_Weich"), roll = ref("ID_RollW"), luft = ref("ID_Luft"),
                           wirk = ref("ID_WirkZon");
        v.Neigung = VariantName(sim_.cds.NeigungCDS, "ID_Neig", neig);
        v.Bogen = VariantName(sim_.cds.BogenCDS, "ID_Bogen", bogen);
        v.Bremsen = VariantName(sim_.cds.BremsenCDS, "ID_Brems", brems);
        v.Weichen = VariantName(sim_.cds.WeichenCDS, "ID_Weich", weich);
        v.Rollwiderstand = VariantName(sim_.cds.RollWiderCDS, "ID_RollW", roll);
        v.Luftwiderstand = VariantName(sim_.cds.LuftWidCDS, "ID_Luft", luft);
        v.Wirkzonen = VariantName(sim_.cds.WirkZonenCDS, "ID_WirkZon", wirk);
    } else {
        v.Neigung = v.Bogen = v.Bremsen = v.Weichen = v.Rollwiderstand = v.Luftwiderstand = v.Wirkzonen = "---";
    }
    trackView_ = std::move(v);
    Notify(TRunChange::Track);
}

// ---------------------------------------------------------------------------------------------
// Wagon groups

void TRunController::ApplyGroup1(int id) {
    if (!fLoading && id != exp_._IDWG1) {
        SetGroup2Checked(false);
        SetTrainGroupChecked(false);
    }
    exp_._IDWG1 = id;
    groups_[0].id = id;
    if (engine::GroupChosen(id)) {
        if (!fLoading) ClearAllResults();
        model::RollotEinlesen(ctx_, sets_.wg1, id, true, kGroupColour);
    }
    FillGroupPanels();
}

void TRunController::ApplyGroup2(int id) {
    exp_._IDWG2 = id;
    groups_[1].id = id;
    if (!engine::GroupChosen(id)) {
        fZweiteWG = false;
    } else {
        sets_.normal.Berechnet = false;
        model::RollotEinlesen(ctx_, sets_.wg2, id, true, kGroupColour);
        fZweiteWG = true;
    }
    engine_.fall.ZweiteWG = fZweiteWG;
    ShowParameters();  // the time offset edit follows the second group
}

void TRunController::ApplyTrainGroup(int id) {
    exp_._IDWGZug = id;
    groups_[2].id = id;
    if (engine::GroupChosen(id)) {
        sets_.zulauf.Berechnet = false;
        model::RollotEinlesen(ctx_, sets_.wgZug, id, true, kGroupColour);
    }
    FillGroupPanels();
}

void TRunController::AfterGroupChoice() {
    if (engine::GroupChosen(exp_._IDWG1)) {
        exp_._Xstart = ProposedStart();
        exp_._XZulaufEnde = exp_._Xstart + exp_.Gleis().Xnull;
        DefaultTimeOffset();
    }
    ShowParameters();
    RefreshAutoName();
    FillGroupPanels();
    SetOutdated();
}

void TRunController::SelectGroup1(int idRollot) {
    ApplyGroup1(idRollot);
    AfterGroupChoice();
}

void TRunController::SelectGroup2(int idRollot) {
    groups_[1].checked = groups_[1].enabled = true;
    ApplyGroup2(idRollot);
    AfterGroupChoice();
}

void TRunController::SetGroup2Checked(bool checked) {
    groups_[1].checked = groups_[1].enabled = checked;
    if (!checked && groups_[1].id != -1) {
        ApplyGroup2(-1);
        if (!fLoading) AfterGroupChoice();
    }
    Notify(TRunChange::Groups);
}

void TRunController::SelectTrainGroup(int idRollot) {
    groups_[2].checked = groups_[2].enabled = true;
    ApplyTrainGroup(idRollot);
    AfterGroupChoice();
}

void TRunController::SetTrainGroupChecked(bool checked) {
    groups_[2].checked = groups_[2].enabled = checked;
    if (!checked && groups_[2].id != -1) {
        ApplyTrainGroup(-1);
        if (!fLoading) AfterGroupChoice();
    }
    Notify(TRunChange::Groups);
}

void TRunController::FillGroupPanels() {
    const NumberFormat& nf = options_.nf;
    groups_[0].panel = engine::GroupChosen(exp_._IDWG1) ? FormatFloatF(sets_.wg1.AchsLast, 15, 2, nf) + " t/Achse" : "";
    groups_[2].panel = engine::GroupChosen(exp_._IDWGZug) ? FormatFloatF(sets_.wgZug.Sg, 15, 1, nf) + " t" : "";
    groups_[1].visible = mode_ != model::kZulaufprozess;
    groups_[2].visible = mode_ == model::kZulaufprozess;
    Notify(TRunChange::Groups);
}

double TRunController::ProposedStart() const {
    if (engine::GroupChosen(exp_._IDWG1)) return model::ProposedStart(exp_.Gleis(), sets_.wg1);
    const model::TWagenGruppeN none;
    return model::ProposedStart(exp_.Gleis(), none);
}

void TRunController::DefaultTimeOffset() {
    if (!engine::GroupChosen(exp_._IDWG1) || !engine::GroupChosen(exp_._IDWG2))
        exp_._Zeitversatz2WG = 0.0;
    else if (exp_._Vab > 0)
        exp_._Zeitversatz2WG = sets_.wg1.Sx / exp_._Vab;
}

void TRunController::RefreshAutoName() {
    if (!fAutoSuggestName) return;
    std::string name = fNSimFall;
    if (engine::GroupChosen(exp_._IDWG1)) name += "/wg:" + sets_.wg1.NameWG;
    if (engine::GroupChosen(exp_._IDWGZug)) name += "/zg:" + sets_.wgZug.NameWG;
    nameText_ = std::move(name);
    Notify(TRunChange::Name);
}

void TRunController::SetAutoSuggestName(bool on) {
    fAutoSuggestName = on;
    if (on) RefreshAutoName();
}

}  // namespace gvm::runcontrol
