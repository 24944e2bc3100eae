#pragma once
// Result series of a simulation run. The engine writes rows into one working series
// (TWorkSeries, owned by the engine); TVysledky holds a copy of a finished series with its
// grade and message, and answers lookups by distance, speed and time. Rows are numbered
// from 1; arrays have 30 002 slots (0..30 001), slot 0 carries no row.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace gvm::engine {

inline constexpr int kMaxRows = 30000;         // result rows and steps of one run
inline constexpr int kSeriesSlots = 30002;     // 0..30 001
inline constexpr int kMaxBKINA = 4288;         // retarder-control records
inline constexpr double kVausOff = 1001.0;     // exit speed of a retarder switched off in the run
inline constexpr double kVausInactive = 1000.0;  // from this value on a retarder does not act

// Event codes of result rows (0: an ordinary step row).
enum TEvent : std::uint8_t {
    evNone = 0,
    evEinlaufAchse = 1,
    evAuslaufAchse = 2,
    evAusschalten = 3,
    evEinschalten = 4,
    evAbloesepunkt = 5,
    evStillstand = 6,
    evAufpufferung = 7,
    evEndeTeilschritt = 8,
    evEinlaufWeiche = 9,
    evAuslaufWeiche = 10,
    evEinlaufHemmschuh = 11,
    evStillstandHemmschuh = 12,
    evZielErreicht = 13,
};

// First and second text of an event ("Einlauf Achse", "auf Bremse"); empty for code 0.
const char* EventText1(int code);
const char* EventText2(int code);

// Grade of a run's messages.
enum TResMeldung { rmOK = 0, rmBemerk = 1, rmWarn = 2, rmError = 3 };
const char* ToString(TResMeldung grade);

// One retarder-control record of a controlled (code 6) retarder run.
struct TBKINA {
    int Kv = 0;                     // result row
    double X = 0;                   // head position from the crest [m]
    std::array<double, 4> Bki{};    // deceleration of the first four code-6 retarders; 99: not acting
    std::array<int, 4> Nb{};        // axles inside them; 0: not acting
    double Bki0 = 0;                // acceleration without them
    double Sbkb = 0;                // allowed deceleration
    double Sbkm = 0;                // used deceleration
    double VSoll = 0;               // target speed of the control
};

// A position inside a series: row Ik and the fraction Dz (0..1) of the way to row Ik + 1.
struct TIndexR {
    int Ik = 1;
    double Dz = 0;
};

// The columns shared by the working series and TVysledky.
struct TSeriesData {
    TSeriesData();
    int NVyst = 0;
    std::vector<double> Dist, Besch, Gesch, Zeit, Bluft, Bbrems, Vluft, Vrelat;  // kSeriesSlots each
    std::vector<std::uint8_t> TeilSchr;                                           // kSeriesSlots
    std::array<double, 51> Vaus{};  // exit speed each retarder was run with (>= 1000: not acting)
    int NAus = 0;
    bool VausOhneLimit = false;
    int IvBKINA = 0;
    std::vector<TBKINA> BKINARes;  // kMaxBKINA + 1, index 0 unused

    // Copies rows 1..NVyst (and slot 0) of every column and the control records in use;
    // slots beyond are left as they are.
    void CopyRowsFrom(const TSeriesData& source);
};

// The engine's working series: the rows of the run in progress.
struct TWorkSeries : TSeriesData {
    bool Recording = true;  // callers that need only the end state switch it off
    // Appends a row unless kMaxRows rows exist; returns false when the row was not written.
    bool AddRow(double dist, double besch, double gesch, double zeit, double bluft, double bbrems,
                double vluft, double vrelat, std::uint8_t event);
    // Appends a control record unless the list is full.
    bool AddBKINA(const TBKINA& record);
    void Clear();  // NVyst := 0, IvBKINA := 0
};

class TVysledky : public TSeriesData {
public:
    void Clear();
    void Assign(const TVysledky& source);
    // Stores the working series as the result of the run of a group with these axle data.
    void DataSpeichern(const TWorkSeries& work, double ok1, double ok9, double sx);
    // Makes this result the working series again (empties it when not calculated).
    void DataLesen(TWorkSeries& work) const;

    int NumVyst() const { return NVyst; }
    double Sx() const { return SxF; }
    // First and last row; 0 for an empty series.
    double Dist1() const { return NVyst > 0 ? Dist[1] : 0.0; }
    double DistEnd() const { return NVyst > 0 ? Dist[static_cast<std::size_t>(NVyst)] : 0.0; }
    double ZeitEnd() const { return NVyst > 0 ? Zeit[static_cast<std::size_t>(NVyst)] : 0.0; }

    TIndexR GetIndAtDist(double x) const;
    TIndexR GetIndAtGesch(double v) const;
    TIndexR GetIndAtZeit(double t) const;
    double GetDistAtInd(TIndexR i) const;
    double GetGeschAtInd(TIndexR i) const;
    double GetBeschlAtInd(TIndexR i) const;
    double GetZeitAtInd(TIndexR i) const;
    double GetZeitAtDist(double x) const;
    double GetDistAtZeit(double t) const;
    // Lookups with the moving cursor IkAkt, for successive times of an animation.
    TIndexR GetIndAtZeitAnim(double t);
    TIndexR GetIndAtZeitAnimZpet(double t);

    double Ok1 = 0, Ok9 = 0, SxF = 0;
    double SimZeitEnd = 0;
    double ResXZiel = 0, ResVZiel = 0;
    bool ZielEingegeben = false;
    bool Berechnet = false;
    bool Bereit = false;
    int IkAkt = 1;
    std::string WarnungMessage;
    TResMeldung ResultsMeldung = rmOK;
};

}  // namespace gvm::engine
