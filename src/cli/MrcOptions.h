// The options every subcommand that writes MRC files shares: --mrc2014 and --pixel-size.
#pragma once

#include "image/MrcOptions.h"

#include <CLI/CLI.hpp>

namespace gc::cli {

// A check of a number option: a value that is not a number gives "<value> is not a number", one
// outside (low, high] (or not finite) gives `rangeText`; CLI11 puts the option's name in front.
CLI::Validator NumberInRange(double low, double high, const char* rangeText);

// Adds --mrc2014 (the MRC2014 style into `mrc`) and --pixel-size ANGSTROM (into its pixel size, a
// positive number of at most MAX_PIXEL_SIZE) to `command`; returns the --pixel-size option.
CLI::Option* AddMrcOptions(CLI::App& command, MrcOptions& mrc);

} // namespace gc::cli
