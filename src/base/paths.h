#pragma once
// Where the programs find their own data: the template of a new database and the demo
// database. An installed program uses its share folder, one run from a build tree the
// repository's data folder; GRAVIMONT_DATA_DIR overrides both.

#include <filesystem>
#include <string>

namespace gvm {

struct ProgramData {
    std::filesystem::path folder;    // holds Dat/ and demo.gvm
    std::string fileVersion = "17";  // version of the document structure, names the template

    std::filesystem::path TemplateFolder() const { return folder / "Dat"; }
    std::filesystem::path TemplateFile() const {
        return TemplateFolder() / ("RollotNew" + fileVersion + ".dat");
    }
    std::filesystem::path DemoDatabase() const { return folder / "demo.gvm"; }

    // Finds the data folder for the program started as `argv0`.
    static ProgramData Locate(const char* argv0);
};

}  // namespace gvm
