#include "graphics/chart_input.h"

namespace gvm::graphics {

ExitSpeeds RunExitSpeeds(const engine::TVysledky& r, const ExitSpeeds& started) {
    ExitSpeeds v{};
    for (std::size_t i = 0; i < r.Vaus.size() && i < v.size(); ++i)
        v[i] = r.Vaus[i] == engine::kVausOff ? started[i] : r.Vaus[i];
    return v;
}

ChartInput ChartInputForExperiment(const model::TSimExperiment& exp, engine::TResultSets& sets,
                                   const ExitSpeeds& started) {
    const model::TGleis& g = exp.Gleis();
    ChartInput in;
    in.gleis = &g;
    in.result = &sets.current;
    in.Modus = exp._Flags;
    in.Vaus = RunExitSpeeds(sets.current, started);
    in.VausGleis = g.VausGleis;
    in.VausGleisRespect = exp._VausGleisRespect;
    in.Vab = exp._Vab;
    switch (exp._Flags) {
        case model::kZielbremsung:
            in.group = &sets.wg1;
            in.XStart = exp._Xstart + g.Xnull;
            in.VStart = exp._Vab;
            in.XZiel = exp._XZielbrems;
            in.VZiel = exp._VZielbrems;
            in.XLetzte = exp._XZielbrems;
            break;
        case model::kZulaufprozess:
            in.group = &sets.wgRunIn;
            in.XStart = exp._XZulaufStart;
            in.VStart = exp._VZulaufStart;
            in.XZiel = exp._XZulaufEnde;
            in.VZiel = exp._VZulaufEnde;
            in.XLetzte = exp._XZulaufEnde;
            in.Vab = exp._VZulaufStart;
            break;
        default:
            in.group = &sets.wg1;
            in.XStart = exp._Xstart + g.Xnull;
            in.VStart = exp._Vab;
            in.XZiel = exp._Xtot;
            in.VZiel = -1;
            in.XLetzte = exp._Xtot;
            break;
    }
    if (exp._Flags != model::kZulaufprozess && engine::GroupChosen(exp._IDWG2) && sets.group2.NVyst > 1) {
        in.result2 = &sets.group2;
        in.group2 = &sets.wg2;
        in.Vaus2 = RunExitSpeeds(sets.group2, started);
        in.Zeitversatz = exp._Zeitversatz2WG;
    }
    return in;
}

}  // namespace gvm::graphics
