#pragma once
// A simulation experiment: one parameterised run of a simulation case with its track
// model. Its stored form is a SimFallResult record of the case.

#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "database/cursor.h"
#include "model/gleis.h"
#include "model/model_context.h"

namespace gvm::model {

enum TRunMode { kNormalLauf = 0, kZielbremsung = 1, kZulaufprozess = 2 };

// Caption suffix naming the kind of results of a mode (-1: none computed).
const char* ModeCaption(int flags);

class TWagenGruppeN;

// The start position the run window proposes [m, profile position]: the crest when the
// track's first retarder after the crest is number 0 or 1, else behind that retarder's end
// by the first axle at or behind the group's centre of gravity (its last axle for groups of
// up to two axles).
double ProposedStart(const TGleis& gleis, const TWagenGruppeN& group);

class TSimExperiment {
public:
    explicit TSimExperiment(ModelContext& ctx);
    TSimExperiment(const TSimExperiment&) = delete;
    TSimExperiment& operator=(const TSimExperiment&) = delete;

    void CleanUp();
    int IDGleis() const { return f_IDGleis; }
    // Stores the track identifier and, unless it is -1, reads the track at once.
    void Set_IDGleis(int value);
    void GleisDatenEinlesen();
    // Reads the stored experiment of that exact name from a SimFallResult cursor; false
    // (and nothing changed) when there is none.
    bool ReadFromDBData(db::Cursor& paCDS, std::string_view paSimExpName);
    // Fills the experiment from the current record of a SimulationsFall cursor, as the run
    // window does before each run (the start position is the caller's).
    void FillFromCase(db::Cursor& fall, std::string_view datum, std::string_view zeit);
    // Writes the mapped fields into the current record of a SimFallResult cursor (in Edit
    // or Insert state); ID_Result, ID_Simfall and XStartEdited are not written.
    void WriteToRecord(db::Cursor& paCDS) const;

    TGleis& Gleis() { return *_Gleis; }
    const TGleis& Gleis() const { return *_Gleis; }
    ModelContext& Context() { return ctx_; }

    int _IDSimExp = 0;
    int _IDSimFall = -1;
    double _Xtot = 0, _Vab = 1.0, _Ddx0 = 2.0, _Q = 0.001, _Xstart = 0;
    int _IDWG1 = -1, _IDWG2 = -1, _IDWGZug = -1, _IDWGo1 = -1, _IDWGo2 = -1, _IDWGo3 = -1, _IDWGo4 = -1;
    double _Zeitversatz2WG = 0, _XZielbrems = 0, _VZielbrems = 1.4;
    double _XZulaufStart = 0, _VZulaufStart = 0, _XZulaufEnde = 0, _VZulaufEnde = 1.0, _XEinschalt = 0;
    std::string _NSimFall, _NSimExperiment, _NGleis, _TxtTime, _TxtDatum;
    int _Flags = kNormalLauf;
    bool _LaufBereit = false, _ZielBereit = false, _ZulaufBereit = false;
    std::array<double, 51> _VausResult{};
    double _ZulaufVmaxStart = 0;
    bool _VausGleisRespect = true;

private:
    int f_IDGleis = -1;
    ModelContext& ctx_;
    std::unique_ptr<TGleis> _Gleis;
};

}  // namespace gvm::model
