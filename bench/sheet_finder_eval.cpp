// sheet-finder-eval: how well the two finders place the images of realistic scans. For each seed it
// writes a "lab day" scan (every effect of the realistic generator, mildly, drawn from the seed), runs
// a dry Run over it with each finder and compares every image's corner and angle with the truth:
//   right   - within 40 pixels of the sheet's true corner and (sheet finder) 0.05 degrees of its angle
//   off     - found, but farther or turned otherwise
//   missed  - a sheet is there but no image was found
//   phantom - an image was found in an empty slot
//   silent  - an off or phantom crop without any warning
//   alarms  - warnings on right crops (other than that the sheet is turned)
// --size full: six 8 x 10 cm sheets on 37,376 x 31,232 pixels (about 1.1 GB each, written one at a
// time and removed); --size small: one sheet on 12,544 x 15,360. --require exits 1 unless the sheet
// finder gets every image right with no silent crop (for CI).
#include "split/RunDriver.h"
#include "split/SplitMessages.h"
#include "tools/SheetScan.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdio>
#include <filesystem>

namespace {

using namespace gc;
using namespace gc::tools;

constexpr double CORNER_TOLERANCE = 40;
constexpr double ANGLE_TOLERANCE = 0.05;

struct Tally {
    int sheets = 0, right = 0, off = 0, missed = 0, phantom = 0, silent = 0, alarms = 0;
};

SheetScanSpec RecipeFor(unsigned seed, bool full) {
    SheetScanSpec recipe;
    recipe.scan.m_nSeed = seed;
    recipe.scan.m_nTileWidth = recipe.scan.m_nTileHeight = full ? 512 : 256;
    recipe.scan.m_nWidth = full ? 37376 : 12544;
    recipe.scan.m_nHeight = full ? 31232 : 15360;
    recipe.scan.m_nImages = full ? 6 : 1;
    recipe.effects = LabDayEffects(seed);
    if (!full)
        recipe.effects.missing = 0;
    return recipe;
}

void Judge(const ImageRecord& image, const SheetTruth& truth, bool sheetFinder, Tally& tally) {
    if (truth.present)
        ++tally.sheets;
    if (!image.found) {
        tally.missed += truth.present ? 1 : 0;
        if (truth.present)
            std::printf("  image %d: missed\n", image.number);
        return;
    }
    if (!truth.present) {
        ++tally.phantom;
        tally.silent += image.warnings.empty() ? 1 : 0;
        std::printf("  image %d: found in an empty slot\n", image.number);
        return;
    }
    const double error = std::hypot(image.x - truth.corners[0][0], image.y - truth.corners[0][1]);
    const double angle = sheetFinder ? image.angle : 0.0;
    const bool right = error <= CORNER_TOLERANCE && std::abs(angle - truth.angle) <= ANGLE_TOLERANCE;
    if (right) {
        ++tally.right;
        // The turn warning is a statement of fact on a right crop, not a false alarm.
        for (const std::string& warning : image.warnings)
            if (warning.rfind(SHEET_WARNING_TURNED, 0) != 0) {
                ++tally.alarms;
                std::printf("  image %d: right, but warned: %s\n", image.number, warning.c_str());
                break;
            }
    } else {
        ++tally.off;
        tally.silent += image.warnings.empty() ? 1 : 0;
        std::printf("  image %d: off by %.0f px, angle %.3f (true %.3f)%s\n", image.number, error, angle,
                    truth.angle, image.warnings.empty() ? ", no warning" : "");
    }
}

void Evaluate(const std::string& path, const std::vector<SheetTruth>& truth, ImageFinder finder,
              Tally& tally) {
    RunSettings settings;
    settings.m_nImageCount = static_cast<int>(truth.size());
    settings.m_strInputFiles = {path};
    settings.m_finder = finder;
    SilentMessages messages;
    NullProgress progress;
    RunDriver driver(settings, messages, progress);
    driver.SetDryRun(true);
    driver.OnRun();
    if (driver.Records().empty())
        return;
    for (const ImageRecord& image : driver.Records().front().images)
        Judge(image, truth[static_cast<std::size_t>(image.number - 1)], finder == ImageFinder::Sheet, tally);
}

void Print(const char* name, const Tally& tally) {
    std::printf("%-8s sheets %d  right %d (%.1f %%)  off %d  missed %d  phantom %d  silent %d  alarms %d\n",
                name, tally.sheets, tally.right, tally.sheets > 0 ? 100.0 * tally.right / tally.sheets : 0.0,
                tally.off, tally.missed, tally.phantom, tally.silent, tally.alarms);
}

} // namespace

int main(int argc, char** argv) {
    unsigned firstSeed = 1000;
    int count = 30;
    std::string size = "full", folder = std::filesystem::temp_directory_path().string();
    bool require = false;
    CLI::App app{
        "Places the images of generated realistic scans with both finders and compares them with the "
        "truth.",
        "sheet-finder-eval"};
    app.add_option("--first-seed", firstSeed, "The first scan's seed")->capture_default_str();
    app.add_option("--count", count, "Scans to generate")->capture_default_str();
    app.add_option("--size", size, "full or small")
        ->check(CLI::IsMember({"full", "small"}))
        ->capture_default_str();
    app.add_option("--dir", folder, "Where the scans are written (one at a time)")->capture_default_str();
    app.add_flag("--require", require,
                 "Exit 1 unless the sheet finder gets every image right, none silently off");
    CLI11_PARSE(app, argc, argv);

    Tally classic, sheet;
    for (int i = 0; i < count; ++i) {
        const unsigned seed = firstSeed + static_cast<unsigned>(i);
        const SheetScanSpec recipe = RecipeFor(seed, size == "full");
        const std::string path = folder + "/sheet_eval_" + std::to_string(seed) + ".tif";
        std::vector<SheetTruth> truth;
        std::string error;
        if (!GenerateSheetScan(recipe, path, &truth, &error)) {
            std::fprintf(stderr, "seed %u: %s\n", seed, error.c_str());
            continue;
        }
        std::printf("seed %u\n classic:\n", seed);
        Evaluate(path, truth, ImageFinder::Classic, classic);
        std::printf(" sheet:\n");
        Evaluate(path, truth, ImageFinder::Sheet, sheet);
        std::filesystem::remove(path);
        std::fflush(stdout);
    }
    Print("classic", classic);
    Print("sheet", sheet);
    const bool passed = sheet.right == sheet.sheets && sheet.silent == 0 && sheet.phantom == 0;
    return require && !passed ? 1 : 0;
}
