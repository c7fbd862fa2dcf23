#include "MrcOptions.h"
#include "CommandMessages.h"

#include <cmath>
#include <cstdlib>

namespace gc::cli {

CLI::Validator NumberInRange(double low, double high, const char* rangeText) {
    return {[low, high, rangeText](std::string& text) -> std::string {
                char* end = nullptr;
                const double value = std::strtod(text.c_str(), &end);
                if (text.empty() || end != text.c_str() + text.size() || std::isnan(value))
                    return text + CLI_NOT_A_NUMBER;
                if (!std::isfinite(value) || !(value > low) || !(value <= high))
                    return rangeText;
                return {};
            },
            ""};
}

CLI::Option* AddMrcOptions(CLI::App& command, MrcOptions& mrc) {
    command.add_flag_callback(
        "--mrc2014", [&mrc] { mrc.style = MrcStyle::Mrc2014; },
        "write MRC2014 headers (machine stamp, NVERSION, the data's statistics; split "
        "writes unsigned 16-bit images, a collated pick stack is named .mrcs)");
    return command
        .add_option("--pixel-size", mrc.pixelSize,
                    "pixel size in angstrom (above 0, at most 1000), written as the cell size (binned "
                    "copies: B times it)")
        ->option_text("ANGSTROM")
        ->check(NumberInRange(0.0, MAX_PIXEL_SIZE, CLI_PIXEL_SIZE_RANGE));
}

} // namespace gc::cli
