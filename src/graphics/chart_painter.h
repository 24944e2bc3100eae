#pragma once
// The chart engine of one run: keeps the run to show, the settings, the coordinate layer and
// the layout, and paints the track band and the time, speed and acceleration charts onto a
// surface. One object serves the graph window, the animation and the print layout.

#include "graphics/chart_input.h"
#include "graphics/chart_layout.h"
#include "graphics/chart_settings.h"
#include "graphics/chart_view.h"
#include "graphics/curves.h"
#include "graphics/profile.h"
#include "graphics/surface.h"

namespace gvm::graphics {

class Chart {
public:
    // The drawing area of the following passes (window client area, page frame or picture).
    void SetArea(const PaintArea& area);
    const PaintArea& Area() const { return area_; }

    // Charts for a run: stores the input, sets ShowUp, makes every range automatic, recomputes
    // the ranges and places the groups at their start. `metrics` measures the chart font.
    void Open(const ChartInput& in, Surface& metrics);
    // Recomputes the automatic ranges and steps for the current layout (settings confirmed,
    // second group switched); manual ranges stay.
    void RecomputeRanges(Surface& metrics);

    // The painting pass: layout, background and frames, track band, distance axis, time,
    // speed and acceleration charts, then the groups when the animation is on. Afterwards
    // `view` holds the y scale of the time chart, else of the speed chart.
    void Paint(Surface& s);

    const ChartInput& Input() const { return in_; }
    const ChartLayout& Layout() const { return layout_; }
    const Profile& TrackProfile() const { return profile_; }
    // The windows of the last pass, for the animation and the measuring tools.
    const ChartView& ProfileView() const { return profileView_; }
    const ChartView& TimeView() const { return timeView_; }
    const ChartView& SpeedView() const { return speedView_; }
    const ChartView& AccelView() const { return accelView_; }

    ChartSettings settings;
    ChartView view;
    double Head1 = 0, Head2 = 0;  // where the groups are drawn [m, track abscissa]

private:
    void Layout(Surface& s);
    void Background(Surface& s);
    void DistanceAxis(Surface& s);
    void TimeChart(Surface& s);
    void TimeCurves(Surface& s, const engine::TVysledky& r, Color color, double shift);
    void LengthLines(Surface& s, const engine::TVysledky& r, double shift);
    void EffectZones(Surface& s);
    void SpeedChart(Surface& s);
    void AccelChart(Surface& s);
    void Groups(Surface& s);
    CurveData Column(const engine::TVysledky& r, const std::vector<double>& y, double yShift = 0) const;

    PaintArea area_{767 - 4, 632 - 37, 3, 3};
    ChartInput in_;
    Profile profile_;
    ChartLayout layout_;
    ChartView profileView_, timeView_, speedView_, accelView_;
    CurveDrawer curves_;
};

}  // namespace gvm::graphics
