#pragma once
// Reading the tracks of a fixture document into a fresh experiment's track model.

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "model/sim_experiment.h"
#include "support/doc_fixture.h"

namespace gvm::test {

// An identifier no variant has.
inline constexpr std::int64_t kNoVariant = 999999;

struct TrackReader {
    explicit TrackReader(DocFixture& fx, NumberFormat nf = {}) : ctx(fx.Loaded(), fx.port, nf), exp(ctx) {
        exp._Q = 0.001;
    }
    model::TGleis& Read(std::int64_t idGleis) {
        exp.Gleis().GleisDatenEinlesen(ctx, static_cast<int>(idGleis));
        return exp.Gleis();
    }
    model::ModelContext ctx;
    model::TSimExperiment exp;
};

// Every kind a test leaves at 0 gets a variant that says nothing: a flat gradient profile
// from 0 to 1000 m, empty lists for the rest. So only the lists under test speak.
inline DocFixture::TrackRefs Complete(DocFixture& fx, DocFixture::TrackRefs r) {
    if (r.neig == 0) r.neig = fx.Gradients("N", 1000, 0, {{0.0, 1000.0, 0.0, 0.0}});
    if (r.bogen == 0) r.bogen = fx.Curves("B", {});
    if (r.weich == 0) r.weich = fx.Switches("W", {});
    if (r.roll == 0) r.roll = fx.Rolling("R", {});
    if (r.luft == 0) r.luft = fx.Air("L", 0, 0, {});
    if (r.brems == 0) r.brems = fx.Retarders("BR", {});
    if (r.wirk == 0) r.wirk = fx.Zones("Z", {});
    return r;
}

inline std::int64_t CompleteTrack(DocFixture& fx, DocFixture::TrackRefs r, const std::string& name = "G") {
    return fx.Track(name, Complete(fx, r));
}

// n section rows made by `row(j)`, j from 0.
inline std::vector<std::vector<db::Value>> Rows(int n, const std::function<std::vector<db::Value>(int)>& row) {
    std::vector<std::vector<db::Value>> rows;
    for (int j = 0; j < n; ++j) rows.push_back(row(j));
    return rows;
}

// Slots from..to of a 1-based model array.
template <typename T, std::size_t N>
std::vector<T> Slots(const std::array<T, N>& a, int from, int to) {
    return std::vector<T>(a.begin() + from, a.begin() + to + 1);
}

// A braking row of nine equal forces.
inline ForceRow Row(double gu, double go, double force) {
    ForceRow r{gu, go, {}};
    r.forces.fill(force);
    return r;
}

}  // namespace gvm::test
