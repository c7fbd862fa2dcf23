#include "CliShell.h"

namespace gc::cli {

// Registered by its subsystem; no subcommands yet.
void AddPickCommand(CLI::App&) {}

} // namespace gc::cli
