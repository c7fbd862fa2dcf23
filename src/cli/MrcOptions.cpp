#include "MrcOptions.h"

#include "split/RunSettings.h"

#include <cmath>

namespace gc::cli {

CLI::Option* AddMrcOptions(CLI::App& command, bool& mrc2014, double& pixelSize) {
    command.add_flag("--mrc2014", mrc2014,
                     "write MRC2014 headers (machine stamp, NVERSION, the data's statistics; split "
                     "writes unsigned 16-bit images, a collated pick stack is named .mrcs)");
    return command
        .add_option("--pixel-size", pixelSize,
                    "pixel size in angstrom, written as the cell size (binned copies: B times it)")
        ->option_text("ANGSTROM")
        ->check(FiniteNumber() & CLI::PositiveNumber & CLI::Range(0.0, MAX_PIXEL_SIZE));
}

const CLI::Validator& FiniteNumber() {
    static const CLI::Validator finite(
        [](const std::string& text) {
            double value = 0;
            return CLI::detail::lexical_cast(text, value) && std::isfinite(value)
                       ? std::string()
                       : "not a finite number: " + text;
        },
        "");
    return finite;
}

} // namespace gc::cli
