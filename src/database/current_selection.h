#pragma once
// The application's current project and simulation case: one object owned by each program
// and passed to whoever needs it (never a global).

#include <cstdint>
#include <string>

namespace gvm::db {

struct TCurrentSelection {
    std::int64_t ProjektID = -1;  // -1: none
    std::string ProjektName;
    std::int64_t SimFallID = -1;  // -1: none
    bool ProjektChanged = false;  // windows working on the project reload
    bool SimFallChanged = false;

    void SetProject(std::int64_t id, std::string name) {
        ProjektID = id;
        ProjektName = std::move(name);
        SimFallID = -1;
        ProjektChanged = true;
        SimFallChanged = true;
    }
    void ClearProject() { SetProject(-1, {}); }
    bool HasProject() const { return ProjektID >= 0; }
};

}  // namespace gvm::db
