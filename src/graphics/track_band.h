#pragma once
// The track band: the longitudinal profile with the retarders and, with ShowTrack, strips of
// gradients, curve radii, retarders and switches below it.

#include "graphics/chart_view.h"
#include "graphics/paint_context.h"

namespace gvm::graphics {

// Room above the highest profile point for the wagons [mm].
inline constexpr double kWagenRaum = 6200;

// Targets `pv` at the profile area: world x the visible distance range, world y from the lowest
// height to the highest plus the room for the wagons [mm].
void SetProfileView(const PaintContext& c, ChartView& pv);

// Draws the band; `pv` as SetProfileView leaves it.
void DrawTrackBand(const PaintContext& c, const ChartView& pv);

// Label of a rail skid's braking distance: "Hemmschuheweg = " and the length (8, 2).
std::string HemmschuhLabel(double length, const NumberFormat& nf);

}  // namespace gvm::graphics
