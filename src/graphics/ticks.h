#pragma once
// Tick steps of the chart axes: a round step (1, 2 or 5 times a power of ten) that gives
// about ten intervals per area width or height, and the range widened to whole steps.

namespace gvm::graphics {

// Step for the range [min, max] drawn over `lengthPx` pixels of an axis whose area extent
// (width for horizontal axes, height for vertical ones) is `areaPx`. Widens min and max to
// whole steps, a value less than 0.01 step beyond a tick being taken back to it. A range
// whose ends coincide, or a zero length, gives step 0 and keeps its ends.
double TickStep(double& min, double& max, int lengthPx, int areaPx);

// Decimals of the labels of a distance axis (0 from step 1 up, else -floor(log10 step)) and of
// a value axis (taken from floor(log10 step + 0.01)).
int DistanceDecimals(double step);
int ValueDecimals(double step);

}  // namespace gvm::graphics
