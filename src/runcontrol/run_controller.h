#pragma once
// The run window without its widgets: picks a simulation case of the current project, composes
// one experiment of it (track, wagon groups, mode, start and target parameters), runs the
// engine, stores the experiment with its results and keeps the summary of the outcome.
// Everything the window shows is state read here; changes are announced through OnChange.
// Messages go through the port.

#include <array>
#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/messages.h"
#include "base/numfmt.h"
#include "database/current_selection.h"
#include "database/data_modules.h"
#include "engine/engine.h"
#include "engine/result_storage.h"
#include "engine/run_modes.h"
#include "model/model_context.h"
#include "model/sim_experiment.h"
#include "model/wagon_group.h"
#include "runcontrol/run_summary.h"

namespace gvm::runcontrol {

// What changed, for a window bound to the controller.
enum class TRunChange {
    Caption,         // Caption()
    Cases,           // Cases(), CaseId(), Panels()
    ExperimentList,  // Experiments(), ExperimentIndex()
    Name,            // NameText()
    Track,           // Tracks(), Track()
    Groups,          // Runs(), the group choices and panels
    Parameters,      // Param()
    Mode,            // Mode()
    Outdated,        // Outdated(), the "Berechnen" emphasis
    Summary,         // Summary()
    ResultWindows,   // ResultWindows()
    Focus,           // Focus()
};

// The parameter edits of the groups "Simulationsparameter", "Zeitversatz" and
// "Berechnungsparameter". The first and second position and speed mean different fields by mode.
enum class TParam { Iterationsschritt, Iterationsgenauigkeit, Position1, Speed1, Position2, Speed2, Zeitversatz };
inline constexpr int kParamCount = 7;

struct TParamEdit {
    std::string caption;
    std::string unit;  // "[m]", "[m/s]", "[s]"
    std::string text;
    bool visible = true;
    bool enabled = true;
};

// What the graph window draws for the current set [m, m/s; target speed -1 for none].
struct TChartArgs {
    bool runInGroup = false;  // the run-in group, else the first group
    double vziel = -1, xend = 0, vstart = 0, xstart = 0;
};

// The result windows as the window's actions see them. `presentExperiment` asks an open
// numeric window to present the experiment; `draw` asks an open graph window to draw `chart`.
struct TResultWindows {
    bool graphOpen = false, numericOpen = false;
    bool calculated = false;
    std::string graphCaption;
    bool draw = false;
    TChartArgs chart;
};

struct TListItem {
    std::int64_t id = -1;
    std::string name;
};

// Read-only descriptors of the chosen track; "---" where a list reference finds no list.
struct TTrackView {
    std::string Bahnhof, Berggleis, Richtungsgleis, Variante, Bemerkung;
    std::string Neigung, Bogen, Bremsen, Weichen, Rollwiderstand, Luftwiderstand, Wirkzonen;
};

// One wagon-group box with its check box and panel text ("21.50 t/Achse").
struct TGroupChoice {
    int id = -1;
    bool checked = true;  // the first group has no check box
    bool enabled = true;
    bool visible = true;
    std::string panel;
};

enum class TFocus { None, NameBox, Param };

struct TRunOptions {
    NumberFormat nf;
    // The clock of the experiment's date and time stamps; the local time when unset.
    std::function<std::tm()> now;
};

class TRunController {
public:
    // Clones the simulation and loading modules from `main`. `engine` and `sets` are the
    // process-wide engine and result sets, owned by the caller.
    TRunController(db::TGravimontDataModule& main, db::TCurrentSelection& current, engine::TEngine& engine,
                   engine::TResultSets& sets, MessagePort& port, TRunOptions options = {});
    TRunController(const TRunController&) = delete;
    TRunController& operator=(const TRunController&) = delete;

    std::function<void(TRunChange)> OnChange;

    // --- Operations of the window ---------------------------------------------------------
    void Activate();  // window activation: reloads project, case and experiment when they changed
    void LoadProject();
    void SelectCase(std::int64_t idSimFall);         // the user's choice of a case
    void DropDownExperiments();                       // the list rebuilt as the box drops down
    void ChooseExperiment(const std::string& name);  // an item of the list chosen
    void SetNameText(const std::string& text);       // typing into the name box
    void SelectTrack(std::int64_t idGleis);
    void SelectGroup1(int idRollot);
    void SelectGroup2(int idRollot);
    void SetGroup2Checked(bool checked);
    void SelectTrainGroup(int idRollot);
    void SetTrainGroupChecked(bool checked);
    void ChangeMode(int mode);
    void SetVausGueltig(bool checked);  // "Auslaufgeschwindigkeit gültig"

    // Parameter edits: entering remembers the text, changing it marks results outdated,
    // leaving validates and stores it. False when the text was rejected (the edit then shows
    // the kept value and has the focus again).
    void EnterEdit(TParam p);
    void ChangeEditText(TParam p, const std::string& text);
    bool LeaveEdit(TParam p);
    // Enter, type and leave in one.
    bool EditParameter(TParam p, const std::string& text);

    // "Berechnen": runs the mode's operation and stores the experiment (unless storing was
    // switched off). False when nothing was calculated for want of a name.
    bool Berechnen();
    void DatenRuecksetzen();
    void ExperimentLoeschen();

    // Changes experiment fields directly (scripted input that bypasses the edits): results
    // become outdated and the mode sets not calculated.
    void ChangeExperiment(const std::function<void(model::TSimExperiment&)>& change);

    // Options and toggles of the window.
    void SetAutoSuggestName(bool on);
    void SetAlleResSpeichern(bool on) { fAlleResSpeichern = on; }
    // Off: "Berechnen" calculates without storing anything (the command line's summary).
    void SetStoreOnCalculate(bool on) { fStoreOnCalculate = on; }
    void SetGraphWindow(bool open);
    void SetNumericWindow(bool open);
    void SetDetailAusgabe(bool on);

    // --- State the window shows --------------------------------------------------------
    const std::string& Caption() const { return caption_; }
    const std::vector<TListItem>& Cases() const { return cases_; }
    std::int64_t CaseId() const { return current_.SimFallID; }
    bool PanelsVisible() const { return panelsVisible_; }
    const std::vector<std::string>& Experiments() const { return experiments_; }
    int ExperimentIndex() const { return experimentIndex_; }  // -1: none selected
    const std::string& NameText() const { return nameText_; }
    const std::vector<TListItem>& Tracks() const { return tracks_; }
    const TTrackView& Track() const { return trackView_; }
    const std::vector<TListItem>& Runs() const { return runs_; }
    const TGroupChoice& Group1() const { return groups_[0]; }
    const TGroupChoice& Group2() const { return groups_[1]; }
    const TGroupChoice& TrainGroup() const { return groups_[2]; }
    const TParamEdit& Param(TParam p) const { return params_[static_cast<std::size_t>(p)]; }
    int Mode() const { return mode_; }
    static const char* ModeTabCaption(int mode);
    bool Outdated() const { return sbHigh; }
    // "Berechnen" in red and bold while results are outdated.
    bool BerechnenEmphasized() const { return sbHigh; }
    bool VausGueltigVisible() const { return mode_ != model::kNormalLauf; }
    bool VausGueltigChecked() const { return exp_._VausGleisRespect; }
    const TRunSummary& Summary() const { return summary_; }
    const TResultWindows& ResultWindows() const { return windows_; }
    TFocus Focus() const { return focus_; }
    std::optional<TParam> FocusedParam() const { return focusParam_; }
    // The second group takes part (read by the engine and the charts).
    bool ZweiteWG() const { return fZweiteWG; }
    // Where the drawn run of the first and of the run-in group begins [m].
    double WegA1() const { return wegA1_; }
    double WegARunIn() const { return wegARunIn_; }
    // The outcome of the last storing (step of "Berechnen").
    const engine::TStoreResult& LastStore() const { return lastStore_; }

    model::TSimExperiment& Experiment() { return exp_; }
    const model::TSimExperiment& Experiment() const { return exp_; }
    model::ModelContext& Context() { return ctx_; }
    engine::TResultSets& Sets() { return sets_; }
    engine::TEngine& Engine() { return engine_; }

    // Window state (fields of the run window).
    std::string fNSimFall;
    std::int64_t LoadedProjekt = -1;
    std::int64_t LoadedSimfall = -1;
    bool sbHigh = false;
    bool fLoading = false;
    bool fAutoSuggestName = true;
    bool fAlleResSpeichern = true;
    bool fAutoSizeResultWin = true;
    bool fDetailAusgabe = false;
    std::string fAktiveEditText;
    char fDecimalSeparator = '.', fNeplatSeparator = ',';

private:
    static constexpr model::TColor kGroupColour = 0xFF0000;  // colour the groups are drawn in

    // Steps of the window's algorithms.
    void ApplyCase();
    void ReadExperimentList();  // the stored names; the typed name's item selected when there is one
    void RebuildExperimentList(bool afterChange);
    void LoadExperiment(const std::string& name);
    void InitFromCase();
    void ApplyGroup1(int id);
    void ApplyGroup2(int id);
    void ApplyTrainGroup(int id);
    void AfterGroupChoice();
    void ApplyMode(int mode);
    // Runs the mode's operation; the group to store and its series, or null when it failed.
    std::pair<const model::TWagenGruppeN*, const engine::TVysledky*> RunMode();
    void Fail(engine::TVysledky& modeSet);
    void Store(const model::TWagenGruppeN* group, const engine::TVysledky* series);
    double ProposedStart() const;
    void DefaultTimeOffset();
    void RefreshAutoName();
    void ClearAllResults();
    void RefreshResultWindows();
    void BuildSummary();
    void ShowParameters();
    void StoreParameter(TParam p, double v);
    double FieldValue(TParam p) const;  // the field an edit stands for, as the edit shows it
    void MarkModeSetNotCalculated();
    void SetOutdated();

    // Lists and positions on the window's own datasets.
    bool LocateCase();
    void FillCases();
    void FillRuns();
    void FillTracks();
    void FillTrackView();
    void FillGroupPanels();
    std::pair<std::string, std::string> Stamps() const;

    void Notify(TRunChange change);

    db::TGravimontDataModule& main_;
    db::TCurrentSelection& current_;
    engine::TEngine& engine_;
    engine::TResultSets& sets_;
    MessagePort& port_;
    TRunOptions options_;
    db::TSimDM sim_;
    db::TDataLoadDM load_;
    model::ModelContext ctx_;
    model::TSimExperiment exp_;

    int mode_ = model::kNormalLauf;
    bool fZweiteWG = false;
    bool fStoreOnCalculate = true;
    bool panelsVisible_ = false;
    bool projectLoaded_ = false;  // the window's modules stand on the current project
    std::string caption_ = "Simulationslauf";
    std::string loadedName_;
    std::vector<TListItem> cases_, tracks_, runs_;
    std::vector<std::string> experiments_;
    int experimentIndex_ = -1;
    std::string nameText_;
    TTrackView trackView_;
    std::array<TGroupChoice, 3> groups_{};
    std::array<TParamEdit, kParamCount> params_{};
    TRunSummary summary_;
    TResultWindows windows_;
    TFocus focus_ = TFocus::None;
    std::optional<TParam> focusParam_;
    double wegA1_ = 0, wegARunIn_ = 0;
    engine::TStoreResult lastStore_;
};

}  // namespace gvm::runcontrol
