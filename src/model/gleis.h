#pragma once
// The track model: one track and the variants it refers to, read into the fixed arrays the
// engine works on. Positions are shifted so that the track starts at 0 (profile position =
// track abscissa - Xnull); the crest lies at Xgipf = -Xnull. Arrays are 1-based like the
// algorithms that use them; every list has a design limit and a bound check.

#include <array>
#include <memory>
#include <string>

#include "model/model_context.h"

namespace gvm::model {

class TSimExperiment;

inline constexpr int kMaxNeigAbsch = 100;   // gradient sections
inline constexpr int kMaxAbsch = 50;        // curve, switch, rolling-resistance sections, effect zones
inline constexpr int kMaxLuftAbsch = 20;    // air-resistance sections
inline constexpr int kMaxBremsen = 50;      // retarders
inline constexpr int kMaxBremsArt = 15;     // distinct retarder types on one track
inline constexpr int kMaxMassenstufen = 9;  // weight classes of a force table
// Curve and switch lists need up to two segments per section (a gap, then the section)
// and a closing one.
inline constexpr int kSegmentSlots = 2 * kMaxAbsch + 2;

// Slots 0..N of 64-bit floats.
template <int N>
using Arr = std::array<double, N + 1>;
template <int N>
using IntArr = std::array<int, N + 1>;

// One weight class of a force table: upper bound [t] and the force per axle [kg/axle] at
// 0, 0.2, 0.4, 0.6, 1, 2, 4, 6 and 10 m/s in Wert[1..9].
struct TMassenstufe {
    double Go = 0.0;
    std::array<double, 10> Wert{};
};

// The force tables of one retarder type (rows 1..NKraft, 1..NLeerlauf; slot 10 unused).
struct TBremsArt {
    std::string Name;  // at most 5 characters
    int NKraft = 0;
    int NLeerlauf = 0;
    std::array<TMassenstufe, 11> Kraft{};
    std::array<TMassenstufe, 11> Leerlauf{};
};

class TGleis {
public:
    explicit TGleis(TSimExperiment& paSimExp) : fSimExp(&paSimExp) {}
    TGleis(const TGleis&) = delete;
    TGleis& operator=(const TGleis&) = delete;

    // Reads the track with this identifier of the current project and its variants, with
    // the corrections and questions of the readers.
    void GleisDatenEinlesen(ModelContext& ctx, int paIDGleis);
    bool DatenBereit() const { return fDatenBereit; }

    // Variant names and comments
    std::string NNeig, NBogn, NWeich, NRolw, NLuft, NBrmar, NBrems, NWirk;
    std::string KommWeich, KommRoll, KommBrems, KommentWirk;

    // Per retarder (slots 1..Nxbr; one spare slot so that i+1 of the last one is readable)
    Arr<kMaxBremsen + 1> A1{}, A2{}, A3{}, FaB0{}, FaB1{}, FaB2{}, FaB3{}, FdC0{}, FdC1{};
    Arr<kMaxBremsen + 1> Vaus{}, VausGleis{}, Vaus_plus{}, Vaus_minus{}, Xein{}, Xbu{}, Xbo{}, Wbr{}, Wir{};
    IntArr<kMaxBremsen + 1> Kod{}, Kodd{}, Kodd2{}, Lbr{}, Lcbr{}, IDBauart{}, BremsArtNo{};
    std::array<std::string, kMaxBremsen + 2> Bauart{}, KommBrmar{};
    int Nxbr = 0, Inxbr = 0;
    int Io1 = 0, Io2 = 0, Io3 = 0, Io4 = 0, IbrStart = 0;

    // Retarder types used on the track (1..NBremsArt); records reused between readings
    IntArr<kMaxBremsArt> IDBremsTyp{};
    std::array<std::unique_ptr<TBremsArt>, kMaxBremsArt + 1> Bremsen{};
    int NBremsArt = 0;

    // Positions [m, shifted]
    double Xstart = 0, Xend = 0, Xgipf = 0, Xnull = 0;
    double Beta10 = 0, Beta0 = 0, Beta1 = 0, Beta1g = 0;  // wind directions [rad], Beta0 [deg]
    double XtotNeig = 0;

    // Gradients: section k from X[k] to X[k+1], gradient S1[k]..S2[k] [per mille]
    int Nxs = 0;
    Arr<kMaxNeigAbsch + 1> S1{}, S2{}, X{}, Xs{};

    // Curves: segment k from Xr[k] to Xr[k+1] with curvature Rb[k] = 1/R [1/m]
    int Nxr = 0, Nbog = 0;
    Arr<kSegmentSlots> Xr{}, Rb{};
    double Epsio = 0, Epsi1 = 0;

    // Switches: segment k from Xw[k] to Xw[k+1] with resistance W[k] [kg/t]
    int Nxw = 0;
    Arr<kSegmentSlots> Xw{}, Xgrenz{}, W{};

    // Rolling resistance: section k from Xrw[k] to Xrw[k+1], W1[k]..W2[k] [%]
    int Nxwr = 0;
    Arr<kMaxAbsch + 1> Xrw{}, W1{}, W2{};

    // Air resistance: section k from Xl[k] to Xl[k+1], wind Vlu[k]..Vlo[k] [%] of Vlg [m/s]
    int Nxl = 0;
    double Vlg = 0;
    Arr<kMaxLuftAbsch + 1> Xl{}, Vlu{}, Vlo{};

    // Effect zones: entry XwiE[k], exit XwiA[k]; KommWirk[k] the retarder they belong to
    int Nxwi = 0;
    Arr<kMaxAbsch> XwiE{}, XwiA{};
    std::array<std::string, kMaxAbsch + 1> KommWirk{};

    TSimExperiment* fSimExp;
    bool fDatenBereit = false;
};

}  // namespace gvm::model
