// What the commands run, summary and chart share: the run window of one case as the
// controller, the run options of the command line, and the summary as JSON.
#include "cli/case_run.h"

#include "base/numfmt.h"
#include "runcontrol/run_summary.h"

namespace gvm::cli {

namespace {

using nlohmann::ordered_json;

std::optional<double> NumberOption(Args& args, const std::string& name) {
    const auto text = args.Option(name);
    if (!text) return std::nullopt;
    const auto v = ParseFloat(*text);
    if (!v) throw UsageError(name + " needs a number: " + *text);
    return v;
}

const char* ColourWord(runcontrol::TStatusColour c) {
    switch (c) {
        case runcontrol::TStatusColour::Red: return "red";
        case runcontrol::TStatusColour::Green: return "green";
        default: return "window_text";
    }
}

ordered_json RowJson(const runcontrol::TSummaryRow& r, const char* place) {
    ordered_json j;
    j["place"] = place;
    j["visible"] = r.visible;
    j["retarder"] = r.retarder;
    j["label"] = r.label;
    j["distance"] = r.distance;
    j["speed"] = r.speed;
    j["entered"] = r.entered;
    j["second"] = r.second;
    j["distance_red"] = r.distanceRed;
    j["speed_red"] = r.speedRed;
    return j;
}

}  // namespace

RunOptions RunOptions::Read(Args& args) {
    RunOptions o;
    o.xstart = NumberOption(args, "--xstart");
    o.vab = NumberOption(args, "--vab");
    o.xtot = NumberOption(args, "--xtot");
    o.targetX = NumberOption(args, "--target-x");
    o.targetV = NumberOption(args, "--target-v");
    o.respect = args.Option("--respect-exit-speeds");
    o.runinStartX = NumberOption(args, "--runin-start-x");
    o.runinStartV = NumberOption(args, "--runin-start-v");
    o.runinTargetX = NumberOption(args, "--runin-target-x");
    o.runinTargetV = NumberOption(args, "--runin-target-v");
    o.train = args.Option("--train");
    if (o.respect && *o.respect != "yes" && *o.respect != "no")
        throw UsageError("--respect-exit-speeds is yes or no");
    if (o.train) ParseId(*o.train, "--train");
    return o;
}

int ModeNumber(const std::string& word) {
    if (word == "normal") return model::kNormalLauf;
    if (word == "target") return model::kZielbremsung;
    if (word == "runin") return model::kZulaufprozess;
    throw UsageError("--mode is normal, target or runin, not '" + word + "'");
}

const char* ModeWord(int mode) {
    switch (mode) {
        case model::kZielbremsung: return "target";
        case model::kZulaufprozess: return "runin";
        default: return "normal";
    }
}

CaseRun::CaseRun(Session& session)
    : session_(session),
      nf_(NumberFormat::FromSystemLocale()),
      engine_(session.port, nf_),
      sets_(std::make_unique<engine::TResultSets>()) {}

bool CaseRun::Open(std::int64_t idSimFall) {
    db::TGravimontDataModule& dm = session_.dm;
    if (!LocateProjectHolding(dm, dm.cds.SimulationsFallCDS, "ID_Simulationsfall", idSimFall)) {
        session_.port.Error("Simulationsfall " + std::to_string(idSimFall) + " existiert nicht.");
        return false;
    }
    db::TCurrentSelection& current = session_.current;
    current.ProjektID = dm.ProjektCDS.FieldByName("ID_Projekt").AsInteger();
    current.ProjektName = dm.ProjektCDS.FieldByName("ProjektName").AsString();
    current.SimFallID = idSimFall;
    rc_ = std::make_unique<runcontrol::TRunController>(dm, current, engine_, *sets_, session_.port,
                                                       runcontrol::TRunOptions{nf_, {}});
    rc_->Activate();
    return true;
}

void ApplyRunOptions(runcontrol::TRunController& rc, const RunOptions& o, std::optional<int> mode) {
    if (o.train) rc.SelectTrainGroup(static_cast<int>(ParseId(*o.train, "--train")));
    if (mode) rc.ChangeMode(*mode);
    // Typed values go into the experiment as given: the engine's own checks judge them.
    rc.ChangeExperiment([&](model::TSimExperiment& exp) {
        const double xnull = exp.Gleis().Xnull;
        if (o.xstart) {
            exp._Xstart = *o.xstart - xnull;
            exp._XZulaufEnde = exp._Xstart + xnull;
        }
        if (o.vab) exp._Vab = *o.vab;
        if (o.xtot) exp._Xtot = *o.xtot;
        if (o.targetX) exp._XZielbrems = *o.targetX;
        if (o.targetV) exp._VZielbrems = *o.targetV;
        if (o.respect) exp._VausGleisRespect = *o.respect == "yes";
        if (o.runinStartX) exp._XZulaufStart = *o.runinStartX;
        if (o.runinStartV) exp._VZulaufStart = *o.runinStartV;
        if (o.runinTargetX) exp._XZulaufEnde = *o.runinTargetX;
        if (o.runinTargetV) exp._VZulaufEnde = *o.runinTargetV;
    });
}

ordered_json SummaryJson(const runcontrol::TRunSummary& s) {
    ordered_json j;
    j["status"] = s.status;
    j["status_colour"] = ColourWord(s.statusColour);
    j["status_bold"] = s.statusBold;
    j["message"] = s.messageVisible ? ordered_json(s.message) : ordered_json(nullptr);
    j["details_visible"] = s.detailsVisible;
    j["entered_heading"] = s.enteredHeading;
    j["second_heading"] = s.secondHeading;
    j["rows"] = ordered_json::array(
        {RowJson(s.rows[0], "top"), RowJson(s.rows[1], "middle"), RowJson(s.rows[2], "bottom")});
    j["start"] = {{"distance", s.startDistance}, {"speed", s.startSpeed}};
    j["end"] = {{"distance", s.endDistance}, {"speed", s.endSpeed}};
    j["target_speed"] = s.targetSpeed;
    j["overhang"] = s.overhangVisible ? ordered_json(s.overhang) : ordered_json(nullptr);
    j["max"] = s.maxVisible ? ordered_json{{"label", s.maxLabel}, {"value", s.maxValue}} : ordered_json(nullptr);
    j["checkbox_visible"] = s.checkBoxVisible;
    return j;
}

}  // namespace gvm::cli
