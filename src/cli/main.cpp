// gravimont-cli: the headless program. main() only dispatches and reports failures.
#include <iostream>
#include <map>

#include "base/errors.h"
#include "cli/cli_port.h"
#include "cli/commands.h"

namespace {

const char* kUsage =
    "usage: gravimont-cli COMMAND [ARGS]\n"
    "commands:\n"
    "  info FILE [--json]                  what a database file holds (changes nothing)\n"
    "  project list FILE [--json]          the projects of a database\n"
    "  project new NAME FILE               a new project\n"
    "  project rename ID NAME FILE         gives a project a new name\n"
    "  project delete ID FILE [--no]       deletes a project with everything below it\n"
    "  export FILE --project ID --to OUT [--all-runs] [--all-retarders] [--all-wagons] [--no-results]\n"
    "                                      writes a project with what it uses to a database file\n"
    "  import FILE --from IN (--new-project NAME | --into ID)\n"
    "                                      adds the first project of IN to the database\n"
    "  track FILE --track ID [--json]      the track model of a track as the engine reads it\n"
    "  group FILE --run ID [--json]        the wagon group of a run\n"
    "  run FILE --case ID [--mode normal|target|runin] [--xstart M] [--vab V] [--xtot M]\n"
    "      [--target-x M] [--target-v V] [--respect-exit-speeds yes|no]\n"
    "      [--runin-start-x M] [--runin-start-v V] [--runin-target-x M] [--runin-target-v V] [--train RUN_ID]\n"
    "      [--json] [--rows OUT.csv] [--store NAME]\n"
    "                                      calculates an experiment of a simulation case; --store keeps it\n"
    "  summary FILE --case ID [--experiment NAME] [--mode normal|target|runin] [run options] [--json]\n"
    "                                      a stored experiment calculated again, as the run window sums it up\n"
    "  protocol FILE --experiment ID [--which 0-9] [--format text|rtf]\n"
    "                                      the input protocols stored with an experiment\n"
    "  chart FILE (--case ID | --experiment ID) [--mode normal|target|runin] [run options]\n"
    "      (--png|--svg|--pdf) OUT [--size WxH] [--show time,speed,accel,length,second,wagons,strips]\n"
    "                                      the charts of an experiment as a picture\n"
    "Questions are answered yes/OK; --no answers them no/cancel. Messages go to stderr.\n";

}  // namespace

int main(int argc, char** argv) {
    using namespace gvm::cli;
    std::vector<std::string> words(argv + 1, argv + argc);
    if (words.empty() || words[0] == "--help" || words[0] == "-h") {
        (words.empty() ? std::cerr : std::cout) << kUsage;
        return words.empty() ? 2 : 0;
    }
    const std::map<std::string, int (*)(Context&, const std::vector<std::string>&)> commands{
        {"info", CmdInfo},
        {"project", CmdProject},
        {"export", CmdExport},
        {"import", CmdImport},
        {"track", CmdTrack},
        {"group", CmdGroup},
        {"run", CmdRun},
        {"summary", CmdSummary},
        {"protocol", CmdProtocol},
        {"chart", CmdChart},
    };
    const auto it = commands.find(words[0]);
    if (it == commands.end()) {
        std::cerr << "gravimont-cli: unknown command '" << words[0] << "'\n" << kUsage;
        return 2;
    }
    Context ctx{gvm::ProgramData::Locate(argv[0]), std::cout, std::cerr};
    try {
        return it->second(ctx, {words.begin() + 1, words.end()});
    } catch (const UsageError& e) {
        std::cerr << "gravimont-cli " << words[0] << ": " << e.what() << "\n" << kUsage;
        return 2;
    } catch (const gvm::EDatabaseError& e) {
        std::cerr << "Datenbank Fehler: " << TerminalText(e.what()) << "\n";
    } catch (const gvm::EGravimont& e) {
        std::cerr << "Gravimont Fehler: " << TerminalText(e.what()) << "\n";
    } catch (const gvm::EAbort&) {
    } catch (const std::exception& e) {
        std::cerr << "Gravimont interner Fehler: " << TerminalText(e.what()) << "\n";
    }
    return 1;
}
