#pragma once
// The simulation engine: the working copies of a case and its track, the step grid with the
// static acceleration tables of one group, and the integration loop that moves the group
// along the track and writes its result rows. One engine object holds all of this state;
// one simulation runs at a time on it. Positions inside the engine are profile positions
// (track abscissa - Xnull, the track starts at 0, the crest lies at Xgipf); result rows carry
// track abscissae (metres from the crest). Arrays are 1-based like the algorithms.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "base/messages.h"
#include "base/numfmt.h"
#include "engine/series.h"
#include "model/gleis.h"
#include "model/sim_experiment.h"
#include "model/wagon_group.h"

namespace gvm::engine {

inline constexpr int kGridSlots = 30002;     // static tables, index 0..30 001
inline constexpr int kMaxGridSteps = 30000;  // steps of a run
inline constexpr int kMaxTeilPunkte = 120;   // sub-interval points of one step, step end included
inline constexpr int kHistorie = 5;          // separations, stops, bufferings kept per run
inline constexpr int kMaxIterationen = 200;  // iterations of one step
inline constexpr int kBremsSlots = model::kMaxBremsen + 2;  // retarders 1..50 and the spare slot 51
inline constexpr double kNaeherungsSpeed = 0.1;  // start speed of a group that cannot start [m/s]

// Working copy of the values of the simulation case the engine needs.
struct TFallDaten {
    double Xtot = 0;    // end of the run [m, track abscissa]
    double Vab = 1.2;   // push-off speed [m/s]
    double Ddx = 2.0;   // nominal step [m]
    double Q = 0.001;   // iteration precision [m/s], also the position tolerance [m]
    double Xstart = 0;  // start of the group's head [m, profile position]
    int IDWG1 = -1, IDWG2 = -1, IDWGZug = -1;
    bool ZweiteWG = false;
    double Zeitversatz2WG = 0;  // [s]
    double XZielbrems = 0, VZielbrems = 0, XZulaufStart = 0, VZulaufStart = 0;
    double XZulaufEnde = 0, VZulaufEnde = 0, XEinschalt = 0;
    bool VausGleisRespect = true;
    std::string NSimFall, NSimExperiment, TxtDatum, TxtTime;
    int Modus = 0;  // 0 normal run, 1 target braking, 2 run-in process
};

// Working copy of the track: section lists, retarders and the force tables of their types.
struct TStrecke {
    bool DatenBereit = false;
    double Xgipf = 0, Xnull = 0, Xend = 0, XtotNeig = 0;
    double Beta10 = 0, Beta0 = 0;  // wind direction at the track start [rad], at the crest [deg]

    int Nxs = 0;  // gradients: section n from X[n] to X[n+1], S1..S2 [per mille]
    model::Arr<model::kMaxNeigAbsch + 1> X{}, S1{}, S2{};

    int Nxr = 0, Nbog = 0;  // curves: segment k from Xr[k] to Xr[k+1] (k < Nbog), Rb = 1/R [1/m]
    model::Arr<model::kSegmentSlots> Xr{}, Rb{};
    double Epsio = 0, Epsi1 = 0;  // [m kg/t], [kg/t]

    int Nxw = 0, NSegW = 0;  // switches: segment k (1..NSegW) from Xw[k] to Xw[k+1], W [kg/t]
    model::Arr<model::kSegmentSlots> Xw{}, W{};

    int Nxwr = 0;  // rolling resistance: section n from Xrw[n] to Xrw[n+1], W1..W2 [%]
    model::Arr<model::kMaxAbsch + 1> Xrw{}, W1{}, W2{};

    int Nxl = 0;  // air: section n from Xl[n] to Xl[n+1], wind Vlu..Vlo [%] of Vlg [m/s]
    double Vlg = 0;
    model::Arr<model::kMaxLuftAbsch + 1> Xl{}, Vlu{}, Vlo{};

    // Retarders 1..Nxbr; slot Nxbr+1 is readable (sentinel).
    int Nxbr = 0, Inxbr = 0, IbrStart = 0, Io1 = 0, Io2 = 0, Io3 = 0, Io4 = 0;
    model::IntArr<model::kMaxBremsen + 1> Kod{}, Kodd{}, Lbr{}, Lcbr{}, BremsArtNo{};
    model::Arr<model::kMaxBremsen + 1> Xbu{}, Xbo{}, Xein{}, Vaus{}, VausGleis{}, Vaus_plus{},
        Vaus_minus{};
    model::Arr<model::kMaxBremsen + 1> Wbr{}, Wir{}, A1{}, A2{}, A3{}, FaB0{}, FaB1{}, FaB2{},
        FaB3{}, FdC0{}, FdC1{};
    model::Arr<model::kMaxBremsen + 1> VausKopie{};  // Vaus as read, for protocols and optimisation
    model::Arr<model::kMaxBremsen + 1> VausGefunden{};  // exit speeds found by the search
    std::array<std::string, model::kMaxBremsen + 2> Bauart{};
    int NBremsArt = 0;
    std::array<model::TBremsArt, model::kMaxBremsArt + 1> Typ{};  // by type number 1..NBremsArt
};

// Step grid and the static acceleration of the prepared group at every grid point r: the
// head at profile position Xgipf + (C + r) * Schritt. Accelerations in m/s2.
struct TGitter {
    bool Bereit = false;
    double Schritt = 2.0;                                     // nominal step [m]
    int C = 0;                                                // grid offset: Trunc(-Xgipf / step)
    int N = 0;                                                // run steps
    int M = 0;                                                // profile points
    std::vector<double> BStat, BNeig, BBogen, BWeich, BRoll;  // total and its four terms
    std::vector<double> Abszisse;                             // Xnull + i * step [m]
    std::vector<double> Energie;                              // running sum of BStat * step [m2/s2]
};

// Static acceleration of a group with its head at one position [m/s2].
struct TStatAnteile {
    double Neig = 0, Bogen = 0, Weich = 0, Roll = 0;
    double Summe() const { return Neig + Bogen + Weich + Roll; }
};

// Runtime state of one retarder in a run.
struct TBremsZustand {
    bool Aktiv = false;       // may brake at all
    bool Geregelt = false;    // active controlled retarder (code 6)
    bool Ein = false;         // switched on
    bool AusPending = false;  // speed fell below the exit speed (codes 0..2)
    bool AusErfasst = false;  // "Ausschalten" row written, not yet switched on again
    bool AusImLauf = false;   // an "Ausschalten" row was written in this run
    int NIn = 0;              // axles inside
    int NextAx = 1;           // next axle to enter; NextAx - NIn is the first axle inside
    double AmBudget = 0;      // axle-metre budget [m]
    double AmUsed = 0;        // axle-metres used [m]
    double BSoll = -1;        // needed deceleration of the control, -1 unset [m/s2]
    double VZiel = 100;       // target speed of the control [m/s]
    double FBr = 0;           // braking force of a controlled retarder, negative [kg]
    int NbBr = 0;             // braking axles of the control
    double BBki = 99;         // deceleration the control gave it (99: not acting) [m/s2]
};

// One point inside a step where the integration stops: an axle entering or leaving a
// retarder, or a switch-on point.
struct TTeilPunkt {
    enum Art : std::uint8_t { Einlauf, Auslauf, Einschalten };
    double X = 0;   // head position [m, profile]
    int Achse = 0;  // axle number; 0 for a switch-on point
    int Ibr = 0;    // retarder
    Art Typ = Einlauf;
};

// A row kept back until the iteration of its step has converged.
struct TZeile {
    double Dist, Besch, Gesch, Zeit, Bluft, Bbrems, Vluft, Vrelat;
    std::uint8_t Ereignis;
};

struct THistEintrag {
    int Zeile = 0;
    double X = 0, T = 0;  // [m, abscissa], [s]
};

// Up to kHistorie entries; further ones are not kept.
struct THistorie {
    int N = 0;
    std::array<THistEintrag, kHistorie + 1> E{};
    void Clear() { N = 0; }
    void Add(int zeile, double x, double t) {
        if (N < kHistorie) E[static_cast<std::size_t>(++N)] = {zeile, x, t};
    }
};

// One segment record of the exit-speed search: from a retarder (or the start) to the next
// retarder (or the target). Positions are the group's head as track abscissae [m], speeds
// in m/s.
struct TSuchSegment {
    double XEin = 0, VEin = 0;    // entry: the first axle reaches the retarder
    double XAus = 0, VAus = 0;    // exit: the last axle leaves it
    double XEnde = 0, VEnde = 0;  // end: entry of the next record, or the target
    int Paar = 0;                 // 1 first of a close pair, 2 second, 0 none
};

// What the last exit-speed search leaves behind. Its pair marks are read by the integration
// when a target retarder lets the group go; before any search they are 0.
struct TSuchStand {
    std::array<TSuchSegment, model::kMaxBremsen + 1> Segment{};  // by retarder, 0..50
    double MaxEinlauf = 0;   // largest start speed the first retarder can still handle [m/s]
    bool ZuSchnell = false;  // the start segment was passable only at the search speed limit
    bool FirstOfClosePair(int i) const {
        return i >= 0 && i <= model::kMaxBremsen && Segment[static_cast<std::size_t>(i)].Paar == 1;
    }
};

// A group the engine can move: at least one wagon, consistent axle lists, positive weight and
// mass factor. A reset group (one dummy axle, length 0) is not.
bool GroupUsable(const model::TWagenGruppeN& group);

class TEngine {
public:
    explicit TEngine(MessagePort& port, NumberFormat nf = {});
    TEngine(const TEngine&) = delete;
    TEngine& operator=(const TEngine&) = delete;

    // Copies the case values and the track of the experiment; mode 1 and 2 run over the whole
    // profile, mode 2 has no second group offset.
    void PrepareCase(const model::TSimExperiment& exp, int mode);
    // Checks the retarder tables against the group, lays the grid and tabulates the group's
    // static acceleration. False (tables not built) for a track not ready, a group that
    // cannot be simulated or a run beyond the step limit.
    bool PrepareGroup(model::TWagenGruppeN& group);
    // Runs the group from `xstartProfile` [m, profile] at `vstart` [m/s] to `xendAbscissa` [m,
    // track abscissa]; `vziel` [m/s] is the target speed, -1 for none. Stores the series in
    // `result`. False (no rows) when the group cannot start. Throws EGravimont on overflow or
    // when the numbers break down.
    bool Simulate(model::TWagenGruppeN& group, double xstartProfile, double vstart,
                  double xendAbscissa, double vziel);

    // Static acceleration of the group with its head at profile position p, term by term.
    TStatAnteile StatAnteile(const model::TWagenGruppeN& group, double p) const;
    // Table index of the grid point at or before profile position p, clamped to the tables.
    int GridIndex(double p) const;
    // Total static acceleration at profile position p, interpolated between grid points.
    double StatAt(double p) const;

    // Force model on the run state (used by the loop, open for tests).
    void WindAt(double cg);  // wind and working angle at centre of gravity cg [m, profile]
    void AirAt(double v);    // relative wind and air deceleration Bl at speed v [m/s]
    double BremsKraefte(double v, double vA);  // brake acceleration Bbr [m/s2] of the range
    // Brake acceleration of a sub-interval from xa to xj [m] starting at speed va [m/s] with the
    // end-speed guess vGuess: forces, control of code-6 retarders (which may move xa and va)
    // and the conveyor limit.
    double TeilBremsung(double& xa, double& va, double& ta, double xj, double vGuess);

    TWorkSeries work;
    TVysledky result;

    TFallDaten fall;
    TStrecke gleis;
    TGitter gitter;
    model::TWagenGruppeN* gruppe = nullptr;  // the group of the running simulation

    // Run state (one simulation at a time).
    double Q = 0.001;
    int KK = 0, KK0 = 0, NSchritte = 0;
    double Schritt = 0;  // length of the current step [m]
    double V = 0, V0 = 0, Vm = 0, T = 0, T0 = 0, B0 = 0, Bo = 0, Bbr = 0;
    double VV = 0;           // squared speed estimate of the step [m2/s2]
    double BsKopf = 0;       // static acceleration at the head of the current step
    int Bewegung = 1;        // 1 moving, 2 stopped
    int Abloesung = 1;       // 1 pushed by the train, 2 separated
    bool Hemmschuh = false;  // skid hold
    int KKHemmschuh = 0, IbrHemmschuh = 0;
    int Ibr1 = 0, Ibr2 = 0;                                // current retarder range
    double XStart = 0, XEnde = 0, VStart = 0, VZiel = -1;  // of the run [m, profile], [m/s]
    double XEndeAbs = 0;    // end of the run [m, abscissa], written exactly into the end row
    double KopfVorher = 0;  // head of the previous pass [m, profile]
    double XStop = 0;       // where the group came to a stop [m, profile]
    bool NaeherungsStart =
        false;  // started with the approximation speed: re-base time at separation

    // Wind and air of the current step.
    double BetaWind = 0, BetaArbeit = 0, Wind = 0, Vr = 0, Alpha = 0, Bl = 0;
    bool WindErst = true;
    double CgVorher = 0;
    int BogenCursor = 1, LuftCursor = 1;

    // Brakes of the current sub-interval and step.
    bool Wirkt = false, Regelung = false, RegelungGestartet = false;
    double VausMax = -1;
    int IbrMax = 0;
    bool SchrittWirkt = false, SchrittRegelung = false;
    int SchrittIbrMax = 0;
    double LetzterTeilStart = 0;
    TBKINA BkinaSatz{};

    std::array<TBremsZustand, kBremsSlots> br{};
    std::vector<int> AchsZustand;  // +i inside retarder i, -i waiting for retarder i

    std::array<TTeilPunkt, kMaxTeilPunkte + 1> Punkte{};
    int NPunkte = 0;  // event points of the step (the step end comes after them)

    THistorie Abloesungen, Stillstaende, Aufpufferungen;
    TSuchStand suche;  // segment records, maximum entry speed and too-fast mark of the last search

    MessagePort& port() { return port_; }
    const NumberFormat& numfmt() const { return nf_; }

private:
    // Preparation
    void RetarderTableCheck(const model::TWagenGruppeN& group);
    bool GridAndLimits();
    void FillTables(const model::TWagenGruppeN& group);

    // Integration: run set-up, the loop and its events
    void InitRun(model::TWagenGruppeN& group, double xs, double vs, double xeAbs);
    void InitRetarders(const model::TWagenGruppeN& group, double xs, double xe);
    void StepLoop(model::TWagenGruppeN& group);
    void SwitchOffUndershot();
    void Separation(double head, double xa, int firstRowOfStep);
    void StandstillOrEnd(double head, double xa, int pass, bool& stopped, bool& atEnd);
    void StepTime(double s, int pass);
    void Buffering(const model::TWagenGruppeN& group, double head, double xa, int pass,
                   bool& stopped);
    void FinishRun(const model::TWagenGruppeN& group);

    // One step: sub-interval points, the iteration, the sub-intervals
    double IntegrateStep(const model::TWagenGruppeN& group, double head, int pass);
    void SaveStepState();
    void RestoreStepState();
    bool Passed(const model::TWagenGruppeN& group, int i, double head) const;
    void CollectPoints(const model::TWagenGruppeN& group, double xa, double head);
    void AddPoint(const TTeilPunkt& p);
    double IntegrateSubIntervals(const model::TWagenGruppeN& group, double xa, double head,
                                 double guess, int pass);
    double SubInterval(double& xa, double& va, double& ta, double xj, bool stepEnd, double guess,
                       double xaStep);
    void ApplyPoint(const model::TWagenGruppeN& group, const TTeilPunkt& p, double& v, double t,
                    double bbrJ);

    // Rows: written at once (abscissa), or kept back until the step's iteration converged
    // (profile position).
    void Row(double xAbs, double besch, double gesch, double zeit, double bbrems, double vluft,
             std::uint8_t ereignis);
    void Vormerken(double xProfile, double besch, double gesch, double zeit, double bbrems,
                   double vluft, std::uint8_t ereignis);
    void Flush();
    bool LastRowIsEvent() const;
    int InsertRow(double xAbs, double besch, double gesch, double zeit, double bbrems, double vluft,
                  std::uint8_t ereignis, int firstRowOfStep);
    void DropRowsBeyond(double xProfile);

    MessagePort& port_;
    NumberFormat nf_;

    // Iteration state saved before a step and restored for every iteration.
    std::array<TBremsZustand, kBremsSlots> brSaved_{};
    model::Arr<model::kMaxBremsen + 1> vausSaved_{};
    std::vector<int> achsSaved_;
    bool regelungSaved_ = false;
    int savedLo_ = 1, savedHi_ = 0;  // retarder slots saved for the iteration

    bool teilZeit_ = false;  // the step was cut into sub-intervals by events
    double tTeilEnde_ = 0;   // time at the step end from its sub-intervals [s]

    std::array<TZeile, 4 * kMaxTeilPunkte + 2 * kBremsSlots> pending_{};
    int nPending_ = 0;
    bool pendingOverflow_ = false;
};

}  // namespace gvm::engine
