#pragma once
// The program data of the source tree (template and demo database), for tests.

#include "base/paths.h"

namespace gvm::test {

inline ProgramData RepoData() {
    ProgramData d;
    d.folder = GVM_SOURCE_DATA_DIR;
    return d;
}

}  // namespace gvm::test
