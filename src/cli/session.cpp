#include "cli/session.h"

#include <charconv>

#include "database/open_database.h"

namespace gvm::cli {

Session::Session(Context& ctx, bool answerNo) : port(ctx.err, answerNo), dm(port, ctx.data) {}

bool Session::Open(const std::string& file) { return db::OpenDatabase(dm, file, false); }

bool LocateProjectHolding(db::TGravimontDataModule& dm, db::Cursor& rows, const char* idField, std::int64_t id) {
    for (dm.ProjektCDS.First(); !dm.ProjektCDS.Eof(); dm.ProjektCDS.Next())
        if (rows.Locate(idField, id)) return true;
    return false;
}

bool LocateExperiment(db::TGravimontDataModule& dm, std::int64_t id) {
    db::DocumentCursors& c = dm.cds;
    for (c.ProjektCDS.First(); !c.ProjektCDS.Eof(); c.ProjektCDS.Next())
        for (c.SimulationsFallCDS.First(); !c.SimulationsFallCDS.Eof(); c.SimulationsFallCDS.Next())
            if (c.SimFallResultCDS.Locate("ID_Result", id)) return true;
    return false;
}

std::int64_t ParseId(const std::string& text, const std::string& what) {
    std::int64_t v = 0;
    const auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || p != text.data() + text.size()) throw UsageError(what + " must be a whole number: " + text);
    return v;
}

}  // namespace gvm::cli
