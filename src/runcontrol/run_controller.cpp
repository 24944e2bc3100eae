// The run window's project, case, experiment, track and group handling.
#include "runcontrol/run_controller.h"

#include <algorithm>

#include "base/datetime.h"

namespace gvm::runcontrol {

namespace {

// Sets a flag for the lifetime of a scope, and back to what it was.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag_(flag), old_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = old_; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
    bool old_;
};

}  // namespace

TRunController::TRunController(db::TGravimontDataModule& main, db::TCurrentSelection& current,
                               engine::TEngine& engine, engine::TResultSets& sets, MessagePort& port,
                               TRunOptions options)
    : main_(main),
      current_(current),
      engine_(engine),
      sets_(sets),
      port_(port),
      options_(std::move(options)),
      sim_(main),
      load_(main),
      ctx_(load_, port, options_.nf),
      exp_(ctx_) {
    if (main_.IsOpen()) {
        sim_.CloneFromMainCDS();
        load_.CloneFromMainCDS();
    }
    // The locale's separator is the one 1.1 is written with; the other one is accepted too.
    const bool point = FormatGeneral(1.1, options_.nf).find('.') != std::string::npos;
    fDecimalSeparator = point ? '.' : ',';
    fNeplatSeparator = point ? ',' : '.';
    groups_[1].checked = groups_[2].checked = false;
    groups_[1].enabled = groups_[2].enabled = false;
    ShowParameters();
}

const char* TRunController::ModeTabCaption(int mode) {
    switch (mode) {
        case model::kZielbremsung: return "Zielbremsung";
        case model::kZulaufprozess: return "Zulauf";
        default: return "Normaler Lauf";
    }
}

void TRunController::Notify(TRunChange change) {
    if (OnChange) OnChange(change);
}

std::pair<std::string, std::string> TRunController::Stamps() const {
    DateTimeText stamp = ShortDateTime(options_.now ? options_.now() : LocalNow());
    return {std::move(stamp.datum), std::move(stamp.zeit)};
}

// ---------------------------------------------------------------------------------------------
// Project and case

void TRunController::Activate() {
    if (current_.ProjektID != LoadedProjekt || current_.ProjektChanged) {
        LoadProject();
    } else if (current_.SimFallChanged) {
        LoadedSimfall = -1;
        current_.SimFallChanged = false;
    }
    ApplyCase();
}

void TRunController::LoadProject() {
    if (current_.ProjektID == LoadedProjekt && !current_.ProjektChanged) return;
    BusyScope busy(port_);
    LoadedSimfall = -1;
    // The clones follow the main module's document, which may have been opened anew.
    if (main_.IsOpen()) {
        if (sim_.InfoDBCDS.GetStore() != main_.InfoDBCDS.GetStore()) sim_.CloneFromMainCDS();
        if (load_.InfoDBCDS.GetStore() != main_.InfoDBCDS.GetStore()) load_.CloneFromMainCDS();
    }
    FillCases();
    const bool known = std::any_of(cases_.begin(), cases_.end(),
                                   [&](const TListItem& c) { return c.id == current_.SimFallID; });
    if (cases_.empty())
        current_.SimFallID = -1;
    else if (current_.SimFallID <= 0 || !known)
        current_.SimFallID = cases_.front().id;
    FillRuns();
    FillTracks();
    ApplyCase();
    LoadedProjekt = current_.ProjektID;
    current_.ProjektChanged = false;
    current_.SimFallChanged = false;
}

void TRunController::FillCases() {
    cases_.clear();
    projectLoaded_ = main_.IsOpen() && current_.ProjektID >= 0 && sim_.cds.LocateProject(current_.ProjektID) &&
                     load_.cds.LocateProject(current_.ProjektID);
    if (projectLoaded_) {
        db::Cursor& c = sim_.cds.SimulationsFallCDS;
        for (c.First(); !c.Eof(); c.Next())
            cases_.push_back({c.FieldByName("ID_Simulationsfall").AsInteger(), c.FieldByName("Name").AsString()});
    }
    Notify(TRunChange::Cases);
}

void TRunController::FillRuns() {
    runs_.clear();
    db::Cursor& r = sim_.cds.RolloteCDS;  // ordered by name
    if (r.Active())
        for (r.First(); !r.Eof(); r.Next())
            runs_.push_back({r.FieldByName("ID_Rollot").AsInteger(), r.FieldByName("Name").AsString()});
    Notify(TRunChange::Groups);
}

void TRunController::FillTracks() {
    tracks_.clear();
    db::Cursor& g = sim_.cds.GleisCDS;
    if (projectLoaded_)
        for (g.First(); !g.Eof(); g.Next())
            tracks_.push_back({g.FieldByName("ID_Gleis").AsInteger(), g.FieldByName("Name").AsString()});
    std::stable_sort(tracks_.begin(), tracks_.end(),
                     [](const TListItem& a, const TListItem& b) { return a.name < b.name; });
    Notify(TRunChange::Track);
}

bool TRunController::LocateCase() {
    return projectLoaded_ && current_.SimFallID > 0 &&
           sim_.cds.SimulationsFallCDS.Locate("ID_Simulationsfall", db::Value{current_.SimFallID});
}

void TRunController::ApplyCase() {
    panelsVisible_ = projectLoaded_ && LocateCase();
    Notify(TRunChange::Cases);
    if (!panelsVisible_ || current_.SimFallID == LoadedSimfall) return;
    fNSimFall = sim_.cds.SimulationsFallCDS.FieldByName("Name").AsString();
    LoadedSimfall = current_.SimFallID;
    exp_.CleanUp();
    RebuildExperimentList(true);
    caption_ = "Simulationslauf - " + fNSimFall;
    Notify(TRunChange::Caption);
}

void TRunController::SelectCase(std::int64_t idSimFall) {
    current_.SimFallID = idSimFall;
    LoadedSimfall = -1;
    ApplyCase();
    if (panelsVisible_) ChangeMode(model::kNormalLauf);
}

// ---------------------------------------------------------------------------------------------
// Experiments

void TRunController::ReadExperimentList() {
    experiments_.clear();
    db::Cursor& r = sim_.cds.SimFallResultCDS;
    if (LocateCase())
        for (r.First(); r.Active() && !r.Eof(); r.Next()) experiments_.push_back(r.FieldByName("SimExpName").AsString());
    const auto it = std::find(experiments_.begin(), experiments_.end(), nameText_);
    experimentIndex_ = it == experiments_.end() ? -1 : static_cast<int>(it - experiments_.begin());
    Notify(TRunChange::ExperimentList);
}

void TRunController::RebuildExperimentList(bool afterChange) {
    ReadExperimentList();
    if (afterChange) {
        if (!experiments_.empty()) {
            experimentIndex_ = 0;
            nameText_ = experiments_.front();
        } else {
            RefreshAutoName();
        }
        Notify(TRunChange::ExperimentList);
        Notify(TRunChange::Name);
        LoadExperiment(nameText_);
        return;
    }
    // The typed name stays selected when it is stored, else the first item is.
    if (experimentIndex_ < 0 && !experiments_.empty()) experimentIndex_ = 0;
    if (experimentIndex_ >= 0) nameText_ = experiments_[static_cast<std::size_t>(experimentIndex_)];
    Notify(TRunChange::ExperimentList);
    Notify(TRunChange::Name);
}

void TRunController::DropDownExperiments() { RebuildExperimentList(false); }

void TRunController::ChooseExperiment(const std::string& name) {
    const auto it = std::find(experiments_.begin(), experiments_.end(), name);
    experimentIndex_ = it == experiments_.end() ? -1 : static_cast<int>(it - experiments_.begin());
    nameText_ = name;
    Notify(TRunChange::Name);
    if (name == loadedName_) return;
    exp_.CleanUp();
    LoadExperiment(name);
}

void TRunController::SetNameText(const std::string& text) {
    nameText_ = text;
    Notify(TRunChange::Name);
}

void TRunController::LoadExperiment(const std::string& name) {
    FlagScope loading(fLoading);
    db::Cursor& r = sim_.cds.SimFallResultCDS;
    const auto locate = [&] { return LocateCase() && r.Active() && r.Locate("SimExpName", db::Value{name}); };
    if (locate()) {
        if (r.FieldByName("ID_Gleis").IsNull()) {
            InitFromCase();
            locate();
        }
        exp_.ReadFromDBData(r, name);
        // The stored experiment keeps its own start, time offset and name: the groups are
        // only read here, not chosen anew.
        ApplyGroup1(exp_._IDWG1);
        ApplyGroup2(exp_._IDWG2);
        ApplyTrainGroup(exp_._IDWGZug);
        groups_[1].checked = groups_[1].enabled = engine::GroupChosen(exp_._IDWG2);
        groups_[2].checked = groups_[2].enabled = engine::GroupChosen(exp_._IDWGZug);
        nameText_ = name;
        FillTrackView();
        FillGroupPanels();
        Notify(TRunChange::Name);
    } else {
        InitFromCase();
    }
    loadedName_ = name;
    ApplyMode(std::clamp(exp_._Flags, 0, 2));
    ClearAllResults();
    SetOutdated();
    RefreshResultWindows();
}

void TRunController::InitFromCase() {
    const auto [datum, zeit] = Stamps();
    if (LocateCase()) {
        exp_.FillFromCase(sim_.cds.SimulationsFallCDS, datum, zeit);
        exp_._NSimFall = fNSimFall;
        ApplyGroup1(exp_._IDWG1);
    } else {
        exp_._TxtDatum = datum;
        exp_._TxtTime = zeit;
    }
    exp_._IDWG2 = exp_._IDWGZug = -1;
    exp_._IDWGo1 = exp_._IDWGo2 = exp_._IDWGo3 = exp_._IDWGo4 = -1;
    groups_[1] = {-1, false, false, groups_[1].visible, {}};
    groups_[2] = {-1, false, false, groups_[2].visible, {}};
    fZweiteWG = false;
    const double xnull = exp_.Gleis().Xnull;
    exp_._Xstart = ProposedStart();
    exp_._XZulaufStart = xnull;
    exp_._VZulaufStart = 0.0;
    exp_._VZulaufEnde = exp_._Vab;
    exp_._XZulaufEnde = exp_._Xstart + xnull;
    exp_._Zeitversatz2WG = 0.0;
    exp_._XZielbrems = exp_._Xtot;
    FillTrackView();
    FillGroupPanels();
    RefreshAutoName();
    ShowParameters();
}

void TRunController::DatenRuecksetzen() {
    InitFromCase();
    ApplyMode(mode_);
    ClearAllResults();
    SetOutdated();
    RefreshResultWindows();
}

void TRunController::ExperimentLoeschen() {
    SetDetailAusgabe(false);
    db::Cursor& r = sim_.cds.SimFallResultCDS;
    if (LocateCase() && r.Active() && !r.IsEmpty() && r.Locate("SimExpName", db::Value{nameText_})) {
        // The main module's case cursor follows, so that its views show the same case.
        main_.cds.SimulationsFallCDS.Locate("ID_Simulationsfall", db::Value{current_.SimFallID});
        main_.DeleteNestedRecords(r);
        r.Delete();
    }
    loadedName_.clear();
    RebuildExperimentList(true);
}

}  // namespace gvm::runcontrol
