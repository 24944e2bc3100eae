#pragma once
// What the input model reads through and reports to: the loading data module (positioned
// on the current project), the messages port and the number format of messages. Also the
// values the last run reading leaves for the input protocol.

#include <string>

#include "base/messages.h"
#include "base/numfmt.h"
#include "database/data_modules.h"

namespace gvm::model {

// Values of the run read last, kept for the input protocol and the retarder check.
struct TLastRun {
    std::string Name;           // run name
    int WagenAnzahl = 0;        // number of wagons
    double Laenge = 0.0;        // group length [m]
    double MaxAchsLast = 0.0;   // largest axle load of the group's wagons [t]
};

struct ModelContext {
    ModelContext(db::TDataLoadDM& loadDM, MessagePort& messagePort, NumberFormat format = {})
        : load(loadDM), port(messagePort), numfmt(format) {}

    db::TDataLoadDM& load;
    MessagePort& port;
    NumberFormat numfmt;
    TLastRun lastRun;
};

}  // namespace gvm::model
