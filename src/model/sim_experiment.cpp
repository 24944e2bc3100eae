#include "model/sim_experiment.h"
#include "model/wagon_group.h"

#include <cmath>
#include <iterator>

namespace gvm::model {

namespace {

// The SimFallResult columns that map one to one onto experiment fields, in reading order.
// ID_Result, ID_Simfall, ID_Gleis, SimExpName, Datum and Zeit have rules of their own.
struct Column {
    const char* name;
    double TSimExperiment::*real;
    int TSimExperiment::*integer;
};

constexpr Column kColumns[] = {
    {"Xtot", &TSimExperiment::_Xtot, nullptr},
    {"Vab", &TSimExperiment::_Vab, nullptr},
    {"Ddx", &TSimExperiment::_Ddx0, nullptr},
    {"Q", &TSimExperiment::_Q, nullptr},
    {"XStart", &TSimExperiment::_Xstart, nullptr},
    {"ID_Rollot", nullptr, &TSimExperiment::_IDWG1},
    {"ID_Wg2", nullptr, &TSimExperiment::_IDWG2},
    {"ID_WgZug", nullptr, &TSimExperiment::_IDWGZug},
    {"ID_WGo1", nullptr, &TSimExperiment::_IDWGo1},
    {"ID_WGo2", nullptr, &TSimExperiment::_IDWGo2},
    {"ID_WGo3", nullptr, &TSimExperiment::_IDWGo3},
    {"ID_WGo4", nullptr, &TSimExperiment::_IDWGo4},
    {"Zeitversatz2WG", &TSimExperiment::_Zeitversatz2WG, nullptr},
    {"XZielbrems", &TSimExperiment::_XZielbrems, nullptr},
    {"VZielbrems", &TSimExperiment::_VZielbrems, nullptr},
    {"XZulaufStart", &TSimExperiment::_XZulaufStart, nullptr},
    {"VZulaufStart", &TSimExperiment::_VZulaufStart, nullptr},
    {"XZulaufEnde", &TSimExperiment::_XZulaufEnde, nullptr},
    {"VZulaufEnde", &TSimExperiment::_VZulaufEnde, nullptr},
    {"XEinschalt", &TSimExperiment::_XEinschalt, nullptr},
    {"Flags", nullptr, &TSimExperiment::_Flags},
};

constexpr double kDefaultVZielbrems = 1.4;  // [m/s]

int AsInt(const db::Field& f) { return static_cast<int>(f.AsInteger()); }
int ToInt(const db::Value& v) { return static_cast<int>(std::lround(db::NumberOf(v).value_or(0.0))); }

}  // namespace

const char* ModeCaption(int flags) {
    switch (flags) {
        case kNormalLauf: return " - normal Lauf";
        case kZielbremsung: return " - Zielbremsung";
        case kZulaufprozess: return " - Zulaufprozess";
        default: return " - keine Resultate";
    }
}

TSimExperiment::TSimExperiment(ModelContext& ctx) : ctx_(ctx), _Gleis(std::make_unique<TGleis>(*this)) {
    CleanUp();
}

void TSimExperiment::CleanUp() {
    _IDSimFall = -1;
    _NSimFall.clear();
    f_IDGleis = -1;
    _IDWG1 = _IDWG2 = _IDWGZug = -1;
    _IDWGo1 = _IDWGo2 = _IDWGo3 = _IDWGo4 = -1;
    _VZielbrems = kDefaultVZielbrems;
    _Xtot = 0.0;
    _Vab = 1.0;
    _Ddx0 = 2.0;
    _Q = 0.001;
    _TxtDatum.clear();
    _TxtTime.clear();
    _Xstart = 0.0;
    _XZulaufStart = 0.0;
    _VZulaufStart = 0.0;
    _VZulaufEnde = _Vab;
    _XZulaufEnde = _Xstart;
    _Zeitversatz2WG = 0.0;
    _ZulaufVmaxStart = 0.0;
    _VausGleisRespect = true;
    _Flags = kNormalLauf;
}

void TSimExperiment::Set_IDGleis(int value) {
    f_IDGleis = value;
    if (value != -1) GleisDatenEinlesen();
}

void TSimExperiment::GleisDatenEinlesen() { _Gleis->GleisDatenEinlesen(ctx_, f_IDGleis); }

bool TSimExperiment::ReadFromDBData(db::Cursor& paCDS, std::string_view paSimExpName) {
    if (!paCDS.Active() || !paCDS.Locate("SimExpName", db::Value{std::string(paSimExpName)})) return false;

    _IDSimExp = AsInt(paCDS.FieldByName("ID_Result"));
    _NSimExperiment = paCDS.FieldByName("SimExpName").AsString();
    // The program never writes ID_Simfall, so records it stored read back as case 0.
    _IDSimFall = AsInt(paCDS.FieldByName("ID_Simfall"));
    const db::Value gleis = paCDS.FieldByName("ID_Gleis").AsVariant();
    // Taken before the track is read: the track reader may move the cursors of the module
    // that `paCDS` belongs to.
    std::array<db::Value, std::size(kColumns)> values;
    for (std::size_t i = 0; i < values.size(); ++i)
        if (const auto f = paCDS.FindField(kColumns[i].name)) values[i] = f->AsVariant();

    // Reading a track shows its correction messages again, so only a new track is read.
    if (!db::IsNull(gleis) && ToInt(gleis) != f_IDGleis) Set_IDGleis(ToInt(gleis));

    for (std::size_t i = 0; i < values.size(); ++i) {
        if (db::IsNull(values[i])) continue;
        const Column& c = kColumns[i];
        if (c.real)
            this->*c.real = db::NumberOf(values[i]).value_or(0.0);
        else
            this->*c.integer = ToInt(values[i]);
    }
    return true;
}

void TSimExperiment::FillFromCase(db::Cursor& fall, std::string_view datum, std::string_view zeit) {
    // Everything is taken from the case before the track is read, which may move the
    // loading module's cursors.
    const int idFall = AsInt(fall.FieldByName("ID_Simulationsfall"));
    std::string name = fall.FieldByName("Name").AsString();
    const int idGleis = AsInt(fall.FieldByName("ID_Gleis"));
    const int idRollot = AsInt(fall.FieldByName("ID_Rollot"));
    const db::Field ziel = fall.FieldByName("ZielGeschw0");
    const double vZiel = ziel.IsNull() ? kDefaultVZielbrems : ziel.AsFloat();
    const double xtot = fall.FieldByName("Lfwg").AsFloat();
    const double vab = fall.FieldByName("Vab").AsFloat();
    const double ddx = fall.FieldByName("Ddx").AsFloat();
    const double q = fall.FieldByName("Q").AsFloat();

    _IDSimFall = idFall;
    _NSimFall = std::move(name);
    // The track comes first: the run-in positions below depend on its Xnull.
    Set_IDGleis(idGleis);
    _IDWG1 = idRollot;
    _VZielbrems = vZiel;
    _Xtot = xtot;
    _Vab = vab;
    _Ddx0 = ddx;
    _Q = q;
    _TxtDatum = std::string(datum);
    _TxtTime = std::string(zeit);
    _IDWG2 = _IDWGZug = -1;
    _IDWGo1 = _IDWGo2 = _IDWGo3 = _IDWGo4 = -1;
    const double xnull = _Gleis->Xnull;
    _XZulaufStart = xnull;
    _VZulaufStart = 0.0;
    _VZulaufEnde = _Vab;
    _XZulaufEnde = _Xstart + xnull;
    _Zeitversatz2WG = 0.0;
    _XZielbrems = _Xtot;
}

void TSimExperiment::WriteToRecord(db::Cursor& paCDS) const {
    paCDS.FieldByName("ID_Gleis").SetInteger(f_IDGleis);
    paCDS.FieldByName("SimExpName").SetString(_NSimExperiment);
    paCDS.FieldByName("Datum").SetString(_TxtDatum);
    paCDS.FieldByName("Zeit").SetString(_TxtTime);
    for (const Column& c : kColumns) {
        const db::Field f = paCDS.FieldByName(c.name);
        if (c.real)
            f.SetFloat(this->*c.real);
        else
            f.SetInteger(this->*c.integer);
    }
}

double ProposedStart(const TGleis& gleis, const TWagenGruppeN& group) {
    if (gleis.IbrStart < 2 || gleis.IbrStart > gleis.Nxbr) return gleis.Xgipf;
    double offset = group.Ok9();
    if (group.NAchs > 2) {
        for (int k = 1; k <= group.NAchs; ++k) {
            if (group.Abszisse[static_cast<std::size_t>(k)] >= group.Oq) {
                offset = group.Abszisse[static_cast<std::size_t>(k)];
                break;
            }
        }
    }
    return gleis.Xbo[static_cast<std::size_t>(gleis.IbrStart)] + offset;
}

}  // namespace gvm::model
