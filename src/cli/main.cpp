// gridcarver-cli: the command line over the core. Each subcommand parses its options into the
// core's parameter records, runs the operation and maps its outcome onto an exit status.
#include "CliShell.h"
#include "CommandMessages.h"
#include "PlanCommands.h"

#include "core/TiffErrors.h"
#include "core/Version.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// A usage error: one line with the reason, one with where the usage is.
int PrintUsageError(const CLI::App& app, const std::string& reason) {
    std::string command = "gridcarver-cli";
    for (const CLI::App* sub : app.get_subcommands())
        command += " " + sub->get_name();
    std::fprintf(stderr, "gridcarver-cli: %s\nRun '%s --help' for usage.\n", reason.c_str(), command.c_str());
    return gc::EXIT_USAGE;
}

// The number of single-character edits that turn `a` into `b`.
std::size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// The first argument names the command: a word that names none is a usage error naming it and the
// nearest command (or all of them, when none is near).
void CheckCommandWord(const CLI::App& app, int argc, char** argv) {
    std::vector<std::string> names;
    for (const CLI::App* command : app.get_subcommands({}))
        names.push_back(command->get_name());
    std::string list;
    for (const std::string& name : names)
        list += (list.empty() ? "" : ", ") + name;
    if (argc < 2)
        throw gc::cli::UsageError{gc::cli::CLI_NO_COMMAND + list};
    const std::string word = argv[1];
    if (word.empty() || word[0] == '-' || std::find(names.begin(), names.end(), word) != names.end())
        return;
    std::string nearest;
    std::size_t best = 3; // at most two edits away
    for (const std::string& name : names)
        if (const std::size_t distance = EditDistance(word, name); distance < best) {
            best = distance;
            nearest = name;
        }
    throw gc::cli::UsageError{
        gc::cli::CLI_UNKNOWN_COMMAND + word +
        (nearest.empty() ? gc::cli::CLI_COMMANDS_ARE + list : gc::cli::CLI_DID_YOU_MEAN + nearest + "\"?")};
}

} // namespace

int main(int argc, char** argv) {
    using namespace gc::cli;
    CLI::App app{"Gridcarver: splits film scans into MRC/TIFF images, converts to optical density, "
                 "cuts, reports statistics and picks particles.",
                 "gridcarver-cli"};
    app.require_subcommand(1);
    AddVersionFlag(app, CLI_EXAMPLES_PROGRAM);
    AddDocumentCommands(app);
    AddSplitCommand(app);
    AddReportCommand(app);
    AddConvertCommands(app);
    AddPickCommand(app);

    gc::InstallTiffHandlers();
    InstallStopSignals();
    try {
        CheckCommandWord(app, argc, argv);
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
