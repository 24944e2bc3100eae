// gravimont-cli chart: the charts of an experiment (time, speed and acceleration over the
// distance, with the track band) as a PNG, SVG or PDF picture, drawn as the graph window
// draws them.
#include <charconv>
#include <optional>
#include <sstream>

#include "cli/commands.h"
#include "cli/case_run.h"
#include "graphics/chart_input.h"
#include "graphics/chart_settings.h"
#include "graphics/qt/render_chart.h"

namespace gvm::cli {

namespace {

struct PictureTarget {
    graphics::PictureFormat format = graphics::PictureFormat::Png;
    std::string path;
};

PictureTarget Target(Args& args) {
    std::optional<PictureTarget> target;
    const std::pair<const char*, graphics::PictureFormat> options[] = {
        {"--png", graphics::PictureFormat::Png},
        {"--svg", graphics::PictureFormat::Svg},
        {"--pdf", graphics::PictureFormat::Pdf}};
    for (const auto& [name, format] : options) {
        const auto path = args.Option(name);
        if (!path) continue;
        if (target) throw UsageError("give one of --png, --svg, --pdf");
        target = PictureTarget{format, *path};
    }
    if (!target) throw UsageError("--png OUT, --svg OUT or --pdf OUT is required");
    return *target;
}

std::pair<int, int> Size(const std::optional<std::string>& text) {
    if (!text) return {1600, 900};
    const std::size_t x = text->find('x');
    int w = 0, h = 0;
    const char* end = text->data() + text->size();
    const bool ok = x != std::string::npos &&
                    std::from_chars(text->data(), text->data() + x, w).ptr == text->data() + x &&
                    std::from_chars(text->data() + x + 1, end, h).ptr == end && w > 0 && h > 0;
    if (!ok) throw UsageError("--size is WIDTHxHEIGHT in pixels, e.g. 1920x1080: " + *text);
    return {w, h};
}

// The charts shown: every chart and the track band with its strips unless --show names them.
void ApplyShow(graphics::ChartSettings& st, const std::optional<std::string>& list) {
    if (!list) {
        st.ShowTime = st.ShowSpeed = st.ShowAccel = st.ShowLength = st.ShowSecond = true;
        st.ShowAnim = st.ShowTrack = true;
        return;
    }
    st.ShowTime = st.ShowSpeed = st.ShowAccel = st.ShowLength = st.ShowSecond = false;
    st.ShowAnim = st.ShowTrack = false;
    std::istringstream in(*list);
    for (std::string word; std::getline(in, word, ',');) {
        if (word == "time") st.ShowTime = true;
        else if (word == "speed") st.ShowSpeed = true;
        else if (word == "accel") st.ShowAccel = true;
        else if (word == "length") st.ShowLength = true;
        else if (word == "second") st.ShowSecond = true;
        else if (word == "wagons") st.ShowAnim = true;
        else if (word == "strips") st.ShowTrack = true;
        else throw UsageError("--show takes time,speed,accel,length,second,wagons,strips, not '" + word + "'");
    }
}

}  // namespace

int CmdChart(Context& ctx, const std::vector<std::string>& words) {
    Args args(words);
    const bool answerNo = args.Flag("--no");
    const auto fallId = args.Option("--case");
    const auto experiment = args.Option("--experiment");
    const auto modeWord = args.Option("--mode");
    const auto [width, height] = Size(args.Option("--size"));
    const auto show = args.Option("--show");
    const PictureTarget target = Target(args);
    const RunOptions options = RunOptions::Read(args);
    const std::string file = args.Positional("FILE");
    args.Done();
    if (!fallId && !experiment) throw UsageError("--case ID or --experiment ID is required");
    const std::optional<int> mode = modeWord ? std::optional<int>(ModeNumber(*modeWord)) : std::nullopt;
    graphics::ChartSettings settings;
    ApplyShow(settings, show);

    Session s(ctx, answerNo);
    if (!s.Open(file)) return 1;
    s.dm.SetSaveOnDestroy(false);
    std::int64_t caseId = fallId ? ParseId(*fallId, "--case") : -1;
    std::string name;
    if (experiment) {
        const std::int64_t id = ParseId(*experiment, "--experiment");
        if (!LocateExperiment(s.dm, id)) {
            s.port.Error("Das Simulationsexperiment " + std::to_string(id) + " ist nicht vorhanden.");
            return 1;
        }
        caseId = s.dm.cds.SimulationsFallCDS.FieldByName("ID_Simulationsfall").AsInteger();
        name = s.dm.cds.SimFallResultCDS.FieldByName("SimExpName").AsString();
    }
    CaseRun run(s);
    if (!run.Open(caseId)) return 1;
    runcontrol::TRunController& rc = run.rc();
    if (experiment) {
        rc.DropDownExperiments();
        rc.ChooseExperiment(name);
    }
    ApplyRunOptions(rc, options, mode);
    rc.SetStoreOnCalculate(false);
    if (!rc.Berechnen()) return 1;
    engine::TResultSets& sets = run.sets();
    if (!sets.current.Berechnet || sets.current.NVyst == 0) {
        s.port.Error("Das Simulationsexperiment \"" + rc.NameText() +
                     "\" hat keine Resultate; es gibt nichts zu zeichnen.");
        return 1;
    }
    // A normal run starts from the entered exit speeds, the searching modes from those found.
    const model::TSimExperiment& exp = rc.Experiment();
    const graphics::ExitSpeeds& started =
        rc.Mode() == model::kNormalLauf ? exp.Gleis().VausGleis : run.engine().gleis.VausGefunden;
    const graphics::ChartInput in = graphics::ChartInputForExperiment(exp, sets, started);
    settings.nf = run.rc().Context().numfmt;
    graphics::HeadlessGui gui;
    graphics::RenderChart(in, settings, target.format, target.path, width, height);
    ctx.out << "chart: " << target.path << " (" << width << "x" << height << ", " << ModeWord(rc.Mode())
            << ", experiment " << rc.NameText() << ", grade " << engine::ToString(sets.current.ResultsMeldung)
            << ")\n";
    return sets.current.ResultsMeldung == engine::rmError ? 1 : 0;
}

}  // namespace gvm::cli
