#pragma once
// Produces the data files shipped with the programs: the template of a new database and
// the demo database. Both are built through the store's API, so they are reproducible
// byte for byte.

#include <memory>

#include "database/store.h"

namespace gvm::tools {

inline constexpr const char* kFileVersion = "17";

// An empty document of the current structure: one root record with Version and Info.
std::shared_ptr<db::Store> BuildTemplateDocument();

// The demo database: catalogues, runs and the project "Demo" with its hump.
std::shared_ptr<db::Store> BuildDemoDocument();

}  // namespace gvm::tools
