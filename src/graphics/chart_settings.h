#pragma once
// What the charts show and how: show flags, ranges with their automatic flags, colours and
// line widths. Held by the graph window, edited in its settings dialog; the defaults are those
// at program start (the show flags are then overridden from the user's stored choice).

#include "base/numfmt.h"
#include "graphics/surface.h"

namespace gvm::graphics {

// One range of a chart: from, to and tick step. With `AutoRange` the ends are computed from
// the data and widened to whole steps; with `AutoStep` the step is computed.
struct ChartRange {
    double Von = 0, Bis = 0, Schritt = 0;
    bool AutoRange = true, AutoStep = true;
};

struct ChartColors {
    Color DistAxis = 0x000000;
    Color Frame = 0x000080;      // frames of both bands
    Color Speed = 0xFF0000;      // speed curve and axis
    Color Accel = 0x808000;      // acceleration curve and axis
    Color Time = 0x000080;       // time axis
    Color Mark1 = 0xFF0000;      // exit speeds, start and target of the first group
    Color Mark2 = 0x0000FF;      // the same of the second group
    Color Wirkzone = 0x800080;   // effect-zone marks
    Color Length = 0xFFFF00;     // lines between a group's head and end
    Color Profile = 0xC00000;    // profile line and gradient strip
    Color Grey = 0x808080;       // clipped or inactive marks
    Color Background = 0xFFFFFF;
};

struct ChartSettings {
    bool ShowTime = false;
    bool ShowSpeed = true;
    bool ShowAccel = false;
    bool ShowLength = true;   // the group's end and length in the time chart
    bool ShowSecond = false;  // the second group
    bool ShowAnim = true;     // track band with the wagons
    bool ShowTrack = false;   // strips below the profile
    bool ShowUp = true;       // strip titles above the strips, else beside them
    bool Wirkzonen = true;    // "Zeichne Wirkzonen"

    ChartRange Dist;   // Von/Bis: the visible distance range [m]
    ChartRange Speed;  // [m/s]
    ChartRange Accel;  // [m/s2]
    ChartRange Time;   // [s]

    ChartColors colors;
    int SpeedWidth = 1, AccelWidth = 1, TimeWidth = 1;  // "Breite" [px]
    int FontSize = 12;                                  // chart font [px]

    double AnimZeitmasstab = 10;  // simulated seconds per real second
    double AnimDt = 1;            // manual time step [s]

    NumberFormat nf;

    bool DiagramShown() const { return ShowTime || ShowSpeed || ShowAccel; }
    bool TrackBandShown() const { return ShowAnim || ShowTrack; }
    // All ranges computed from the data again.
    void ResetAutomatic() {
        for (ChartRange* r : {&Dist, &Speed, &Accel, &Time}) r->AutoRange = r->AutoStep = true;
    }
};

}  // namespace gvm::graphics
