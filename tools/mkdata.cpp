// Writes the data files shipped with the programs:
//   gvm-mkdata template OUT   the empty template of a new database
//   gvm-mkdata demo OUT       the demo database
#include <cstring>
#include <iostream>

#include "base/fileio.h"
#include "database/datapacket.h"
#include "docgen.h"

int main(int argc, char** argv) {
    if (argc != 3 || (std::strcmp(argv[1], "template") != 0 && std::strcmp(argv[1], "demo") != 0)) {
        std::cerr << "usage: gvm-mkdata template|demo OUT\n";
        return 2;
    }
    try {
        const bool demo = std::strcmp(argv[1], "demo") == 0;
        const auto store = demo ? gvm::tools::BuildDemoDocument() : gvm::tools::BuildTemplateDocument();
        gvm::WriteFileAtomic(argv[2], [&](std::ostream& out) { gvm::db::WriteDataPacket(*store, out); });
        std::cout << "written: " << argv[2] << "\n";
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "gvm-mkdata: " << e.what() << "\n";
        return 1;
    }
}
