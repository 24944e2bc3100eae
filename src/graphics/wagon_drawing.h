#pragma once
// Wagons of a group drawn on the profile of the track band: each body stands on the buffer
// line above its wheels, tilted by the local slope of the (exaggerated) profile, filled by the
// class of its axle load and outlined in the group's colour. Drawing in the background colour
// erases a group.

#include <optional>

#include "graphics/chart_view.h"
#include "graphics/profile.h"
#include "graphics/surface.h"
#include "model/wagon_group.h"

namespace gvm::graphics {

// Fill of a wagon body by its axle load [t]: class trunc(load / 4).
Color AxleLoadColor(double achsLast);

// Draws the group with its head at track abscissa `head` [m] in the profile view `pv`
// (world y in millimetres of height). Sets the wagons' drawing data (LangW, CosW, SinW, HoheW,
// VorW, HinterW, Px, XPuff, RadX, in pixels). With `erase` every part is drawn in that colour.
void DrawWagons(Surface& s, const ChartView& pv, const Profile& profile, model::TWagenGruppeN& group,
                double head, std::optional<Color> erase = std::nullopt);

// Wheel radius [px] of the wagons in a profile view.
int WheelRadius(const ChartView& pv);

}  // namespace gvm::graphics
