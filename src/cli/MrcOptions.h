// The options every subcommand that writes MRC files shares: --mrc2014 and --pixel-size.
#pragma once

#include <CLI/CLI.hpp>

namespace gc::cli {

// Adds --mrc2014 (into `mrc2014`) and --pixel-size ANGSTROM (into `pixelSize`, a positive number of
// at most MAX_PIXEL_SIZE) to `command`; returns the --pixel-size option.
CLI::Option* AddMrcOptions(CLI::App& command, bool& mrc2014, double& pixelSize);

// Refuses a number that is not finite (nan, inf), which the range checks let through.
const CLI::Validator& FiniteNumber();

} // namespace gc::cli
