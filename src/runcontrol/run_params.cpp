// The run window's parameter edits: what each shows by mode, and the validation on leaving.
#include <cstddef>

#include "base/text.h"
#include "runcontrol/run_controller.h"

namespace gvm::runcontrol {

namespace {

constexpr double kGrenze = 100000.0;          // bound of every parameter
constexpr double kMinIterationsschritt = 0.05;  // [m]

std::size_t Index(TParam p) { return static_cast<std::size_t>(p); }

struct TBounds {
    double lower, upper;
};

// Positions are track abscissae, negative before the crest. The run-in target must lie
// before the run-in retarder lets the group go, which is before the crest: it takes negative
// values as the other positions do.
TBounds Bounds(TParam p) {
    switch (p) {
        case TParam::Position1:
        case TParam::Position2: return {-kGrenze, kGrenze};
        default: return {0.0, kGrenze};
    }
}

}  // namespace

void TRunController::ShowParameters() {
    const NumberFormat& nf = options_.nf;
    const model::TSimExperiment& e = exp_;
    const double xnull = e.Gleis().Xnull;
    const bool runIn = mode_ == model::kZulaufprozess;
    const auto w9 = [&](double v) { return FormatWD(v, 9, 2, nf); };
    const auto set = [&](TParam p, const char* caption, const char* unit, std::string text, bool visible = true,
                         bool enabled = true) { params_[Index(p)] = {caption, unit, std::move(text), visible, enabled}; };

    set(TParam::Iterationsschritt, "Iterationsschritt", "[m]", FormatGeneral(e._Ddx0, nf));
    set(TParam::Iterationsgenauigkeit, "Iterationsgenauigkeit", "[m/s]", FormatGeneral(e._Q, nf));
    set(TParam::Position1, "Startposition", "[m]", w9(runIn ? e._XZulaufStart : e._Xstart + xnull));
    set(TParam::Speed1, runIn ? "Startgeschwindigkeit" : "Abdrückgeschw.", "[m/s]",
        w9(runIn ? e._VZulaufStart : e._Vab));
    switch (mode_) {
        case model::kZielbremsung:
            set(TParam::Position2, "Zielposition", "[m]", w9(e._XZielbrems));
            set(TParam::Speed2, "Zielgeschwindigkeit", "[m/s]", w9(e._VZielbrems));
            break;
        case model::kZulaufprozess:
            set(TParam::Position2, "Zielposition", "[m]", w9(e._XZulaufEnde));
            set(TParam::Speed2, "Zulaufgeschw.", "[m/s]", w9(e._VZulaufEnde));
            break;
        default:
            set(TParam::Position2, "Laufweg", "[m]", w9(e._Xtot));
            set(TParam::Speed2, "Zielgeschwindigkeit", "[m/s]", "-", true, false);
            break;
    }
    set(TParam::Zeitversatz, "Zeitversatz", "[s]", FormatWD(e._Zeitversatz2WG, 6, 2, nf), !runIn,
        engine::GroupChosen(e._IDWG2));
    Notify(TRunChange::Parameters);
}

void TRunController::EnterEdit(TParam p) {
    fAktiveEditText = params_[Index(p)].text;
    focus_ = TFocus::Param;
    focusParam_ = p;
}

void TRunController::ChangeEditText(TParam p, const std::string& text) {
    params_[Index(p)].text = text;
    if (text != fAktiveEditText && !sbHigh) SetOutdated();
}

bool TRunController::EditParameter(TParam p, const std::string& text) {
    EnterEdit(p);
    ChangeEditText(p, text);
    return LeaveEdit(p);
}

bool TRunController::LeaveEdit(TParam p) {
    TParamEdit& edit = params_[Index(p)];
    focus_ = TFocus::None;
    focusParam_.reset();
    MarkModeSetNotCalculated();
    // What the mode does not read is not stored.
    if (!edit.visible || !edit.enabled) return true;
    if (p == TParam::Zeitversatz && mode_ != model::kNormalLauf) return true;

    std::string t = Trim(edit.text);
    double v = 0.0;
    if (!t.empty() && t != "-") {
        if (const auto pos = t.find(fNeplatSeparator); pos != std::string::npos) t[pos] = fDecimalSeparator;
        const auto parsed = ParseFloat(t, options_.nf);
        const TBounds b = Bounds(p);
        if (!parsed || *parsed < b.lower || *parsed > b.upper) {
            port_.Show(MsgKind::Error, "Unkorrekte Eingabe: " + edit.text, MsgButtons::Ok);
            // The field keeps its value, written back into the edit, which gets the focus again.
            params_[Index(p)].text = FormatWD(FieldValue(p), 9, 2, options_.nf);
            EnterEdit(p);
            Notify(TRunChange::Parameters);
            Notify(TRunChange::Focus);
            return false;
        }
        v = *parsed;
    }
    if (p == TParam::Iterationsschritt && v < kMinIterationsschritt) {
        v = kMinIterationsschritt;
        edit.text = FormatGeneral(v, options_.nf);
    }
    StoreParameter(p, v);
    Notify(TRunChange::Parameters);
    return true;
}

double TRunController::FieldValue(TParam p) const {
    const model::TSimExperiment& e = exp_;
    const bool runIn = mode_ == model::kZulaufprozess;
    switch (p) {
        case TParam::Iterationsschritt: return e._Ddx0;
        case TParam::Iterationsgenauigkeit: return e._Q;
        case TParam::Position1: return runIn ? e._XZulaufStart : e._Xstart + e.Gleis().Xnull;
        case TParam::Speed1: return runIn ? e._VZulaufStart : e._Vab;
        case TParam::Position2:
            return mode_ == model::kZielbremsung ? e._XZielbrems : runIn ? e._XZulaufEnde : e._Xtot;
        case TParam::Speed2: return mode_ == model::kZielbremsung ? e._VZielbrems : runIn ? e._VZulaufEnde : 0.0;
        case TParam::Zeitversatz: return e._Zeitversatz2WG;
    }
    return 0.0;
}

void TRunController::StoreParameter(TParam p, double v) {
    model::TSimExperiment& e = exp_;
    const bool runIn = mode_ == model::kZulaufprozess;
    switch (p) {
        case TParam::Iterationsschritt: e._Ddx0 = v; break;
        case TParam::Iterationsgenauigkeit: e._Q = v; break;
        case TParam::Position1: (runIn ? e._XZulaufStart : e._Xstart) = runIn ? v : v - e.Gleis().Xnull; break;
        case TParam::Speed1: (runIn ? e._VZulaufStart : e._Vab) = v; break;
        case TParam::Position2:
            (mode_ == model::kZielbremsung ? e._XZielbrems : runIn ? e._XZulaufEnde : e._Xtot) = v;
            break;
        case TParam::Speed2: (runIn ? e._VZulaufEnde : e._VZielbrems) = v; break;
        case TParam::Zeitversatz: e._Zeitversatz2WG = v; break;
    }
}

void TRunController::MarkModeSetNotCalculated() {
    switch (mode_) {
        case model::kZielbremsung: sets_.ziel.Berechnet = false; break;
        case model::kZulaufprozess: sets_.zulauf.Berechnet = false; break;
        default: sets_.normal.Berechnet = false; break;
    }
}

void TRunController::ChangeExperiment(const std::function<void(model::TSimExperiment&)>& change) {
    change(exp_);
    sets_.normal.Berechnet = sets_.ziel.Berechnet = sets_.zulauf.Berechnet = false;
    FillGroupPanels();
    ShowParameters();
    SetOutdated();
}

void TRunController::SetVausGueltig(bool checked) {
    exp_._VausGleisRespect = checked;
    SetOutdated();
}

}  // namespace gvm::runcontrol
