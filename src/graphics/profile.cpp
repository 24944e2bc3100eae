#include "graphics/profile.h"

#include <algorithm>

namespace gvm::graphics {

void Profile::Build(const model::TGleis& g) {
    n_ = std::clamp(g.Nxs, 0, model::kMaxNeigAbsch);
    HMin = HMax = SMin = SMax = 0;
    if (n_ == 0) return;
    h_[1] = 0;
    for (int i = 1; i <= n_ + 1; ++i) {
        const auto k = static_cast<std::size_t>(i);
        x_[k] = g.Xs[k] + g.Xnull;
        if (i <= n_) {
            s1_[k] = g.S1[k];
            s2_[k] = g.S2[k];
        }
    }
    SMin = SMax = s1_[1];
    for (int i = 1; i <= n_; ++i) {
        const auto k = static_cast<std::size_t>(i);
        h_[k + 1] = h_[k] + (s1_[k] + s2_[k]) / 2 * (x_[k + 1] - x_[k]);
        SMin = std::min(SMin, s1_[k]);
        SMax = std::max(SMax, s1_[k]);
    }
    HMin = HMax = 0;
    for (int i = 1; i <= n_ + 1; ++i) {
        HMin = std::min(HMin, h_[static_cast<std::size_t>(i)]);
        HMax = std::max(HMax, h_[static_cast<std::size_t>(i)]);
    }
}

int Profile::SectionAt(double x) const {
    if (n_ == 0) return 0;
    // Last bound at or before x among 1..n.
    const auto* first = x_.data() + 1;
    const auto* last = x_.data() + 1 + n_;
    const auto* it = std::upper_bound(first, last, x);
    const int i = static_cast<int>(it - x_.data()) - 1;
    return std::clamp(i, 1, n_);
}

double Profile::HeightAt(double x) const {
    if (n_ == 0) return 0;
    if (x <= x_[1]) return h_[1];
    if (x >= x_[static_cast<std::size_t>(n_ + 1)]) return h_[static_cast<std::size_t>(n_ + 1)];
    const auto k = static_cast<std::size_t>(SectionAt(x));
    const double len = x_[k + 1] - x_[k];
    const double d = x - x_[k];
    const double change = len > 0 ? (s2_[k] - s1_[k]) / len : 0.0;
    return h_[k] + d * (s1_[k] + change * d / 2);
}

}  // namespace gvm::graphics
