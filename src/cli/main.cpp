// gridcarver-cli: the command line over the core. Each subcommand parses its options into the
// core's parameter records, runs the operation and maps its outcome onto an exit status.
#include "CliShell.h"
#include "PlanCommands.h"

#include "core/TiffErrors.h"
#include "core/Version.h"

#include <cstdio>

namespace {

// A usage error: one line with the reason, one with where the usage is.
int PrintUsageError(const CLI::App& app, const std::string& reason) {
    std::string command = "gridcarver-cli";
    for (const CLI::App* sub : app.get_subcommands())
        command += " " + sub->get_name();
    std::fprintf(stderr, "gridcarver-cli: %s\nRun '%s --help' for usage.\n", reason.c_str(), command.c_str());
    return gc::EXIT_USAGE;
}

} // namespace

int main(int argc, char** argv) {
    using namespace gc::cli;
    CLI::App app{"Gridcarver: splits film scans into MRC/TIFF images, converts to optical density, "
                 "cuts, reports statistics and picks particles.",
                 "gridcarver-cli"};
    app.require_subcommand(1);
    AddVersionFlag(app);
    AddDocumentCommands(app);
    AddSplitCommand(app);
    AddReportCommand(app);
    AddConvertCommands(app);
    AddPickCommand(app);

    gc::InstallTiffHandlers();
    InstallStopSignals();
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        return PrintUsageError(app, e.what());
    } catch (const UsageError& e) {
        return PrintUsageError(app, e.m_strReason);
    }
    return CommandStatus();
}
