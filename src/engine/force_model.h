#pragma once
// The parts of the force model that depend on nothing but their arguments: the air
// coefficient by angle of attack, the relative wind, and the force tables of a retarder
// type by weight class and speed. Angles in radians, speeds in m/s, forces in kg per axle.

#include <array>

#include "model/gleis.h"

namespace gvm::engine {

// Speed points of the force tables, slots 1..9 [m/s].
inline constexpr std::array<double, 10> kTabellenSpeed = {0,   0.0, 0.2, 0.4, 0.6,
                                                          1.0, 2.0, 4.0, 6.0, 10.0};

// Angles of the air coefficients, slots 1..11 [rad]: 0 to 100 degrees, the first just below 0.
inline constexpr std::array<double, 12> kCtWinkel = {0,         -0.0000001, 0.1745329, 0.3490659,
                                                     0.5235988, 0.6981317,  0.8726646, 1.047198,
                                                     1.22173,   1.396263,   1.570797,  1.745329};

// The rounded constants the angle arithmetic uses as written.
inline constexpr double kPiHalbGerundet = 1.570796;
inline constexpr double kDreiPiHalbGerundet = 4.712389;
inline constexpr double kZweiPiGerundet = 6.283185;

// Arc sine over the full circle: negative arguments map to 3/2 pi .. 2 pi.
double ArcSinFull(double a);

// Air-resistance coefficient for the angle of attack `alpha`; ct[i] belongs to i x 10 degrees.
// A wind from behind gives a negative (pushing) coefficient.
double CtAt(double alpha, const std::array<double, 11>& ct);

struct TRelWind {
    double Vr = 0;           // relative air speed [m/s], signed like the wind
    double Alpha = 0;        // angle of attack [rad]
    bool OhneKraft = false;  // relative air at rest: no air force
};

// Relative wind of a group at speed v [m/s] in a wind w [m/s] at working angle beta [rad] to the
// track. Without air sections (`mitLuft` false) the air moves with the group's speed only.
TRelWind RelativeWind(double v, double w, double beta, bool mitLuft);

// Air deceleration [m/s2] (positive brakes) of a group: frontal area fl [m2], mass factor fmq
// [kg/t s2/m], weight sg [t].
double AirDeceleration(double ctAtAlpha, double fl, double vr, double fmq, double sg);

// Speed class j (2..8) of a mean speed: the table is read through the points j-1, j, j+1.
int SpeedClass(double v);

// Value of the quadratic through three points at x (Newton form).
double Quadratic(double x0, double y0, double x1, double y1, double x2, double y2, double x);

// Force per axle [kg] of a table (rows 1..n) for an axle load [t] at speed v in class j. The
// weight class is the first whose bound exceeds the load, else the last; no rows give 0.
double TableForce(const std::array<model::TMassenstufe, 11>& rows, int n, double load, double v,
                  int j);

}  // namespace gvm::engine
