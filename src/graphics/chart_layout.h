#pragma once
// Layout of the charts in the drawing area: the track band on top (profile, strips, wagons)
// and below it the diagram band whose plot rectangle the time, speed and acceleration charts
// share, each with its own y scale. Recomputed before every painting pass.

#include "graphics/chart_ranges.h"
#include "graphics/chart_settings.h"
#include "graphics/surface.h"

namespace gvm::graphics {

// The drawing area: its right and bottom ends and its left and top margins [px]. On a printed
// page or picture the ends and margins are those of the frame.
struct PaintArea {
    int width = 0, height = 0;
    int marginLeft = 3, marginTop = 3;
    bool printing = false;  // the track band then always starts at the top
    bool frames = true;     // frames round the bands
};

struct ChartLayout {
    double u = 0;        // two thirds of the height of a number label [px]
    int L = 0;           // width of a number label [px]
    int textHeight = 0;  // of a number label [px]
    int fontSize = 0;
    bool hasDiagram = false, hasBand = false, hasStrips = false;
    bool printing = false;

    Rect area;          // from the margins to the ends
    Rect band;          // track band; empty when hidden
    int profileTop = 0, profileBottom = 0;  // profile area inside the band
    int stripsTop = 0;                      // first strip (with ShowTrack)
    Rect diagramBand;   // empty when no chart is shown
    Rect plot;          // shared plot rectangle of the charts
    int speedTop = 0;   // device y of the speed range's upper end
    int accelTop = 0;   // device y of the acceleration range's upper end
    int accelShift = 0; // acceleration axis left of the speed axis [px]
    int leftTitle = 0, rightTitle = 0;  // widths [px]
};

// Uses the surface for text metrics in the chart font of `s`.
ChartLayout ComputeLayout(Surface& metrics, const ChartSettings& s, const PaintArea& area);

// Axis lengths of the layout, for the tick steps.
AxisLengths LengthsOf(const ChartLayout& l);

// The sample number label the layout is measured with.
std::string SampleLabel(const NumberFormat& nf);

}  // namespace gvm::graphics
