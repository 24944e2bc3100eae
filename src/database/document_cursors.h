#pragma once
// The full tree of cursors on one database document, under the names every module uses.
// Each data module holds one such tree; the orders differ by module.

#include "database/cursor.h"

namespace gvm::db {

class DocumentCursors {
public:
    enum class Profile {
        Main,     // catalogues, runs, variants and tracks by name, sections by Xu
        Editing,  // as Main, and curve and retarder variants by name too
        Loading,  // projects, variants and tracks in stored order (located by identifier)
    };
    explicit DocumentCursors(Profile profile);
    DocumentCursors(const DocumentCursors&) = delete;
    DocumentCursors& operator=(const DocumentCursors&) = delete;

    Cursor InfoDBCDS{"InfoDBCDS"};
    Cursor WagKatCDS{"WagKatCDS", InfoDBCDS, "WagenKatalog"};
    Cursor BremsenKatCDS{"BremsenKatCDS", InfoDBCDS, "BremsKatalog"};
    Cursor LeerLaufKraftCDS{"LeerLaufKraftCDS", BremsenKatCDS, "LeerLaufKraft"};
    Cursor BremsKrafteCDS{"BremsKrafteCDS", BremsenKatCDS, "BremsKrafte"};
    Cursor RolloteCDS{"RolloteCDS", InfoDBCDS, "Rollote"};
    Cursor WagenCDS{"WagenCDS", RolloteCDS, "Wagen"};
    Cursor ProjektCDS{"ProjektCDS", InfoDBCDS, "Projekten"};
    Cursor WirkZonenCDS{"WirkZonenCDS", ProjektCDS, "WirkZonen"};
    Cursor WirkAbschCDS{"WirkAbschCDS", WirkZonenCDS, "WirkAbsch"};
    Cursor BremsenCDS{"BremsenCDS", ProjektCDS, "Bremsen"};
    Cursor BremsAbschCDS{"BremsAbschCDS", BremsenCDS, "BremsAbsch"};
    Cursor RollWiderCDS{"RollWiderCDS", ProjektCDS, "RollWider"};
    Cursor RollAbschCDS{"RollAbschCDS", RollWiderCDS, "RollAbsch"};
    Cursor LuftWidCDS{"LuftWidCDS", ProjektCDS, "LuftWid"};
    Cursor LuftAbschCDS{"LuftAbschCDS", LuftWidCDS, "LuftAbsch"};
    Cursor WeichenCDS{"WeichenCDS", ProjektCDS, "Weichen"};
    Cursor WeichAbschCDS{"WeichAbschCDS", WeichenCDS, "WeichAbsch"};
    Cursor NeigungCDS{"NeigungCDS", ProjektCDS, "Neigung"};
    Cursor NeigAbschCDS{"NeigAbschCDS", NeigungCDS, "NeigAbsch"};
    Cursor GleisCDS{"GleisCDS", ProjektCDS, "Gleis"};
    Cursor SimulationsFallCDS{"SimulationsFallCDS", ProjektCDS, "SimulationsFall"};
    Cursor SimFallResultCDS{"SimFallResultCDS", SimulationsFallCDS, "SimFallResult"};
    Cursor ResVstupCDS{"ResVstupCDS", SimFallResultCDS, "ResVstup"};
    Cursor ResBremsTypCDS{"ResBremsTypCDS", SimFallResultCDS, "ResBremsTyp"};
    Cursor ResBKINACDS{"ResBKINACDS", SimFallResultCDS, "ResBKINA"};
    Cursor ResTracingCDS{"ResTracingCDS", SimFallResultCDS, "ResTracing"};
    Cursor BogenCDS{"BogenCDS", ProjektCDS, "Bogen"};
    Cursor BogenAbschCDS{"BogenAbschCDS", BogenCDS, "BogenAbsch"};

    // Every cursor of the tree, root first, masters before their details.
    std::vector<Cursor*> All();

    // The nested cursor of `master` on its dataset field `field`; null when there is none.
    Cursor* Detail(const Cursor& master, std::string_view field);

    // Makes the root a clone of `source` (sharing its data), on its first record.
    void CloneFrom(const Cursor& source);
    // Positions ProjektCDS on the project with this identifier; false when there is none.
    bool LocateProject(std::int64_t idProjekt);
};

}  // namespace gvm::db
