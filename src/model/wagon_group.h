#pragma once
// Wagon groups (cuts): an ordered chain of wagons of one run, completed with the geometry
// and mass data of each wagon's type. The force model works on the group's flat axle
// lists: Abszisse[1..NAchs] is the distance of every axle behind the group's front
// buffer [m], Abszisse[NAchs+1] a sentinel beyond any track.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/model_context.h"

namespace gvm::model {

using TColor = std::uint32_t;  // 0xRRGGBB

inline constexpr int kMaxAchsenProWagen = 6;
inline constexpr double kAbszisseSentinel = 1000000.0;

// Common data of a wagon and a group.
struct TWGdaten {
    std::string NameWG;
    double Fmq = 0;   // mass factor [kg/t s2/m]
    double Oq = 0;    // centre of gravity behind the front buffer [m]
    double Sg = 0;    // weight [t]
    double Position = 0, Position0 = 0;  // drawing positions
    TColor Barva = 0;
    double Vu = 0;    // front overhang [m]
    double Hu = 0;    // rear overhang [m]
    double Sx = 0;    // length over buffers [m]
};

struct TWagenN : TWGdaten {
    double Sax = 0;         // first to last axle [m]
    double Rho = 0;         // rotating-mass supplement [%]
    double WagenMasse = 0;  // [t]
    double Achs = 0;        // decisive axle spacing [m]
    double Fm = 0;          // (1 + Rho/100) * 101.9368 [kg/t s2/m]
    double Wr0 = 0;         // basic rolling resistance [kg/t]
    double AchsLast = 0;    // axle load [t]
    double Mdw = 0;         // mean wheel diameter [mm]
    int NAchs = 0;
    std::array<double, 7> AbszisseWagen{};  // [0] front buffer behind group front, [1..] axles from own front
    std::array<double, 7> AbszisseWG{};     // [1..] axles from the group front
    // drawing data
    double LangW = 0, CosW = 0, SinW = 0, HoheW = 0, VorW = 0, HinterW = 0, Px = 0, XPuff = 0, RadX = 0;
};

class TWagenGruppeN : public TWGdaten {
public:
    TWagenGruppeN() { ResetValues(); }
    TWagenGruppeN(const TWagenGruppeN&) = delete;
    TWagenGruppeN& operator=(const TWagenGruppeN&) = delete;

    // A one-axle dummy of length 0: what a failed reading leaves, refused by the engine.
    void ResetValues();

    TWagenN& Wagen(int i) { return *WagenListe[static_cast<std::size_t>(i - 1)]; }  // from 1
    const TWagenN& Wagen(int i) const { return *WagenListe[static_cast<std::size_t>(i - 1)]; }
    int WagenAnzahl() const { return static_cast<int>(WagenListe.size()); }
    double Ok1() const { return Abszisse[1]; }
    double Ok9() const { return Abszisse[static_cast<std::size_t>(NAchs)]; }

    std::array<double, 11> Ct{};  // air coefficient at 0, 10, ... 100 degrees
    double Fl = 0;                // frontal area [m2]
    double Cct = 0;
    double AchsLast = 0;          // axle load of the last wagon read [t]
    double WGMasse = 0;           // [t]
    int NAchs = 0;
    std::vector<double> Abszisse;        // [0..NAchs+1]
    std::vector<double> AchsenLast;      // [t]
    std::vector<double> RadDurchMesser;  // [mm]
    std::vector<std::unique_ptr<TWagenN>> WagenListe;
};

// Reads the run `idRollot` into the group; with `clear` the group is emptied first, else
// the run's wagons are appended behind the group's. Reports problems through the port; a
// run that cannot be simulated (missing, no wagons, bad wagon data) leaves the group reset.
// Returns true when the group holds the run.
bool RollotEinlesen(ModelContext& ctx, TWagenGruppeN& group, int idRollot, bool clear, TColor barva);

}  // namespace gvm::model
