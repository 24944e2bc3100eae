#pragma once
// Heights of the longitudinal profile of a track [mm], from its gradient sections (a
// gradient in per mille rises one millimetre per metre). Positions are track abscissae.

#include "model/gleis.h"

namespace gvm::graphics {

class Profile {
public:
    Profile() = default;
    explicit Profile(const model::TGleis& g) { Build(g); }
    // H(1) = 0, H(i+1) = H(i) + (S1[i] + S2[i]) / 2 * (Xs[i+1] - Xs[i]).
    void Build(const model::TGleis& g);

    int Sections() const { return n_; }
    double Bound(int i) const { return x_[static_cast<std::size_t>(i)]; }  // 1..Sections()+1
    double HeightAtBound(int i) const { return h_[static_cast<std::size_t>(i)]; }
    double Gradient1(int i) const { return s1_[static_cast<std::size_t>(i)]; }
    double Gradient2(int i) const { return s2_[static_cast<std::size_t>(i)]; }

    // Height at x, the gradient changing linearly from S1 to S2 inside a section; before the
    // first and beyond the last bound the end heights.
    double HeightAt(double x) const;
    // Section holding x (1..Sections()), 0 without sections.
    int SectionAt(double x) const;

    double HMin = 0, HMax = 0;  // lowest and highest height [mm]
    double SMin = 0, SMax = 0;  // smallest and largest S1 [per mille]

private:
    int n_ = 0;
    model::Arr<model::kMaxNeigAbsch + 1> x_{}, h_{}, s1_{}, s2_{};
};

}  // namespace gvm::graphics
