#include "graphics/ticks.h"

#include <cmath>
#include <cstdlib>

namespace gvm::graphics {

namespace {

// Whole steps in v >= 0; a quotient a hair below a whole number (binary noise) counts as it.
double WholeSteps(double v) {
    return std::trunc(v + 1e-9);
}

}  // namespace

double TickStep(double& min, double& max, int lengthPx, int areaPx) {
    if (max - min == 0 || lengthPx == 0 || areaPx <= 0) return 0;
    const int n = std::abs(lengthPx) * 10 / areaPx + 2;
    double g = (max - min) / n;
    if (std::fabs(g) < 1e-4) g = 1;
    g = std::fabs(g);
    const double o = std::pow(10.0, std::floor(std::log10(g)));
    const double t = g / o;
    double step = 10 * o;
    if (t < 1.4)
        step = o;
    else if (t < 3.5)
        step = 2 * o;
    else if (t < 8)
        step = 5 * o;

    min = min >= 0 ? step * WholeSteps(min / step) : -step * std::trunc(std::fabs(min) / step + 0.99);
    max = max >= 0 ? step * std::trunc(max / step + 0.99) : -step * WholeSteps(std::fabs(max) / step);
    return step;
}

int DistanceDecimals(double step) {
    if (step >= 1 || step <= 0) return 0;
    return static_cast<int>(-std::floor(std::log10(step)));
}

int ValueDecimals(double step) {
    if (step <= 0) return 0;
    const int d = static_cast<int>(-std::floor(std::log10(step) + 0.01));
    return d > 0 ? d : 0;
}

}  // namespace gvm::graphics
