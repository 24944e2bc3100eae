#include "database/open_database.h"

#include "base/fileio.h"

namespace gvm::db {

bool OpenDatabase(TGravimontDataModule& dm, const std::filesystem::path& fileName, bool silent) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(fileName, ec)) {
        if (!silent) dm.Port().Error("Datenbank " + DisplayName(fileName) + " existiert nicht.");
        return false;
    }
    const std::string ext = fileName.extension().string();
    if (ext == ".mdb" || ext == ".accdb") {
        const std::string q = "Die Datenbank \"" + DisplayName(fileName) + "\"\n\r" +
                              "wurde wahrscheinlich in einer älteren Version von Gravimont erstellt." +
                              "\n\r" + "Damit diese Datenbank mit der aktuellen Version von Gravimont " +
                              "benutzt werden kann, ist eine Konvertierung durchzuführen." + "\n\r" +
                              "\n\r" + "Wollen Sie das Konvertierungstool starten?";
        if (dm.Port().Show(MsgKind::Error, q, MsgButtons::YesCancel) == MsgAnswer::Yes)
            dm.Port().Error("Das Konvertierungstool GVConvert.exe ist auf dieser Plattform nicht verfügbar.");
        return false;
    }
    return dm.OpenCDS(dm.InfoDBCDS, fileName, true) == 0;
}

}  // namespace gvm::db
