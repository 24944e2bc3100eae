#pragma once
// Pieces shared by the section readers (gleis.cpp) and the retarder readers
// (gleis_retarders.cpp). Not part of the model's interface.

#include <string>
#include <string_view>

#include "database/cursor.h"
#include "model/gleis.h"
#include "model/model_context.h"

namespace gvm::model::detail {

// Checks the bounds of the sections of one list as they come in ascending Xu (database
// coordinates) and corrects them in memory, with a warning for each correction.
class SectionBounds {
public:
    // `closeGaps`: a gap to the previous section is closed too (the gradient profile must
    // be continuous; the other lists allow gaps).
    SectionBounds(ModelContext& ctx, std::string label, double q, bool closeGaps = false)
        : ctx_(ctx), label_(std::move(label)), q_(q), closeGaps_(closeGaps) {}

    // Section i (from 1). `warnInverted` false corrects inverted bounds silently.
    void Check(int i, double& xu, double& xo, bool warnInverted = true);

private:
    ModelContext& ctx_;
    std::string label_;
    double q_;
    bool closeGaps_;
    double prevXo_ = 0.0;
};

// Positions `variant` on the record whose `idField` is `id`; false when there is none.
bool LocateVariant(db::Cursor& variant, std::string_view idField, int id);

// The missing-variant question (OK keeps the implicit values, Cancel makes the data not
// ready).
void AskMissingVariant(ModelContext& ctx, TGleis& g, std::string_view text);

// The retarder variant with the types it uses (after the air reader, before the zones).
void ReadBremsen(ModelContext& ctx, TGleis& g, int idBrems);
// Pairing of double retarders, reduction coefficients, run-in zone and braking force,
// once all lists are read.
void CheckBremsen(ModelContext& ctx, TGleis& g);

}  // namespace gvm::model::detail
