// gridcarver-cli: the command line over the core. Each subcommand parses its options into the
// core's parameter records, runs the operation and maps its outcome onto an exit status.
#include "CliShell.h"
#include "PlanCommands.h"

#include "core/TiffErrors.h"
#include "core/Version.h"

#include <cstdio>

int main(int argc, char** argv) {
    using namespace gc::cli;
    using gc::EXIT_USAGE;
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
        std::fprintf(stderr, "gridcarver-cli: %s\n", e.what());
        const CLI::App* command = &app;
        for (const CLI::App* sub : app.get_subcommands())
            command = sub;
        std::fprintf(stderr, "%s", command->help().c_str());
        return EXIT_USAGE;
    } catch (const UsageError& e) {
        std::fprintf(stderr, "gridcarver-cli: %s\n", e.m_strReason.c_str());
        const CLI::App* command = &app;
        for (const CLI::App* sub : app.get_subcommands())
            command = sub;
        std::fprintf(stderr, "%s", command->help().c_str());
        return EXIT_USAGE;
    }
    return CommandStatus();
}
