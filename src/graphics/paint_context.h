#pragma once
// What every part of a painting pass reads: the surface, the settings, the run, the layout
// and the profile of the track.

#include "graphics/chart_input.h"
#include "graphics/chart_layout.h"
#include "graphics/chart_settings.h"
#include "graphics/profile.h"
#include "graphics/surface.h"

namespace gvm::graphics {

struct PaintContext {
    Surface& s;
    const ChartSettings& set;
    const ChartInput& in;
    const ChartLayout& lay;
    const Profile& profile;

    // Track abscissa of an in-memory track position.
    double Abs(double shifted) const { return shifted + in.gleis->Xnull; }
    void UsePen(Color c, int width = 1, PenStyle style = PenStyle::Solid) const { s.SetPen({c, width, style}); }
    void UseFont(Color c, bool bold = false) const { s.SetFont({c, set.FontSize, bold}); }
};

}  // namespace gvm::graphics
