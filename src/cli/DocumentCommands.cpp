#include "CliShell.h"

namespace gc::cli {

// Registered by its subsystem; no subcommands yet.
void AddDocumentCommands(CLI::App&) {}

} // namespace gc::cli
