// gridcarver-make-scan: writes a sample film scan (tile-organised 8-bit greyscale TIFF with up to six
// bright images on a dark background in a 3 × 2 grid) and prints where the images were placed.
#include "tools/ScanGenerator.h"
#include "tools/SheetScan.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <fstream>
#include <map>

namespace {

using namespace gc::tools;

// The realistic scan's options: a sheet of film per image with the holder's and the film's flaws.
void AddSheetOptions(CLI::App& app, SheetEffects& effects) {
    app.add_option("--rotation", effects.rotationDegrees, "Largest turn of a sheet, degrees (either way)");
    app.add_option("--soft-edge", effects.softEdge, "Width of a sheet's blurred edge, pixels");
    app.add_option("--sheet-margin", effects.sheetMargin, "Clear film around each image, pixels");
    app.add_flag("--marks", effects.marks, "Data-strip bars along the top edge at each sheet's corner");
    app.add_flag("--notches", effects.notches, "Notches in each sheet's left and top edges near its corner");
    app.add_option("--dust", effects.dust, "Specks of dust on the holder and the sheets");
    app.add_option("--fibres", effects.fibres, "Fibres in the holder, close to a sheet's edge");
    app.add_option("--scratches", effects.scratches, "Scratches on the sheets, some through an edge");
    app.add_option("--grain", effects.grain, "Grain of every pixel, +- grey levels");
    app.add_option("--illumination", effects.illumination,
                   "Fall-off of the light toward the corners (0-0.5)");
    app.add_option("--exposure", effects.exposure, "Largest relative change of a sheet's brightness");
    app.add_option("--leaks", effects.leaks, "Light leaks: bright bands in the holder just above a sheet");
    app.add_flag("--edge-glow", effects.edgeGlow, "A bright glow along the scan's top and left edges");
    app.add_option("--missing", effects.missing, "Sheets left out (empty slots)");
    app.add_option("--displacement", effects.displacement, "Largest extra offset of a sheet, pixels");
}

bool WriteTruth(const std::string& path, const std::string& json) {
    std::ofstream out(path, std::ios::binary);
    out << json;
    return static_cast<bool>(out.flush());
}

int WriteSheetScan(SheetScanSpec& recipe, bool labDay, const std::string& output,
                   const std::string& truthPath) {
    if (labDay)
        recipe.effects = LabDayEffects(recipe.scan.m_nSeed);
    std::vector<SheetTruth> truth;
    std::string error;
    if (!GenerateSheetScan(recipe, output, &truth, &error)) {
        std::fprintf(stderr, "gridcarver-make-scan: %s\n", error.c_str());
        return 1;
    }
    if (!truthPath.empty() && !WriteTruth(truthPath, SheetTruthJson(recipe, truth))) {
        std::fprintf(stderr, "gridcarver-make-scan: cannot write %s\n", truthPath.c_str());
        return 1;
    }
    for (const SheetTruth& sheet : truth)
        if (sheet.present)
            std::printf("sheet %d: x %.2f y %.2f angle %.3f\n", sheet.number, sheet.corners[0][0],
                        sheet.corners[0][1], sheet.angle);
        else
            std::printf("sheet %d: missing\n", sheet.number);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    using namespace gc::tools;
    ScanSpec recipe;
    std::string output;
    ScanCompression compression = ScanCompression::None;
    const std::map<std::string, ScanCompression> compressions{{"none", ScanCompression::None},
                                                              {"lzw", ScanCompression::Lzw},
                                                              {"deflate", ScanCompression::Deflate},
                                                              {"packbits", ScanCompression::PackBits}};

    CLI::App app{"Writes a sample film scan: a tiled 8-bit greyscale TIFF with up to six images in a 3 x 2 "
                 "grid, and prints each image's top-left corner and size.",
                 "gridcarver-make-scan"};
    // --help and --version end the parse before the output is asked for.
    app.set_version_flag("--version", "gridcarver-make-scan " GC_VERSION);
    app.add_option("--width", recipe.m_nWidth, "Scan width in pixels")
        ->capture_default_str()
        ->check(CLI::PositiveNumber);
    app.add_option("--height", recipe.m_nHeight, "Scan height in pixels")
        ->capture_default_str()
        ->check(CLI::PositiveNumber);
    app.add_option("--tile-width", recipe.m_nTileWidth, "Tile width, a multiple of 16")
        ->capture_default_str();
    app.add_option("--tile-height", recipe.m_nTileHeight, "Tile height, a multiple of 16")
        ->capture_default_str();
    app.add_option("--compression", compression, "none, lzw, deflate or packbits")
        ->transform(CLI::CheckedTransformer(compressions, CLI::ignore_case))
        ->default_str("none");
    app.add_option("--seed", recipe.m_nSeed, "Seed of the noise and the placement")->capture_default_str();
    app.add_option("--images", recipe.m_nImages, "Images placed, in grid order")
        ->capture_default_str()
        ->check(CLI::Range(0, 6));
    app.add_option("--width-cm", recipe.m_dImageWidthCm, "Image width in centimetres")->capture_default_str();
    app.add_option("--height-cm", recipe.m_dImageHeightCm, "Image height in centimetres")
        ->capture_default_str();
    app.add_option("--margin", recipe.m_nMargin, "Offset of each image from its cell's corner")
        ->capture_default_str();
    app.add_option("--jitter", recipe.m_nJitter, "Largest random extra offset inside the cell")
        ->capture_default_str();
    SheetScanSpec sheets;
    bool realistic = false, labDay = false;
    std::string truthPath;
    app.add_flag("--realistic", realistic,
                 "Sheets of film in a holder, with the effects chosen below and the truth in --truth");
    app.add_flag("--lab-day", labDay, "With --realistic: a mild mix of every effect, drawn from the seed");
    app.add_option("--truth", truthPath, "With --realistic: write every sheet's corners and angle as JSON");
    AddSheetOptions(app, sheets.effects);
    app.add_option("output", output, "The TIFF file to write")->required();
    CLI11_PARSE(app, argc, argv);
    recipe.m_compression = compression;
    if (realistic) {
        sheets.scan = recipe;
        return WriteSheetScan(sheets, labDay, output, truthPath);
    }

    std::vector<PlacedImage> placed;
    std::string error;
    if (!GenerateScan(recipe, output, &placed, &error)) {
        std::fprintf(stderr, "gridcarver-make-scan: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s: %d x %d pixels, tiles %d x %d, %s\n", output.c_str(), recipe.m_nWidth, recipe.m_nHeight,
                recipe.m_nTileWidth, recipe.m_nTileHeight, CompressionName(recipe.m_compression));
    for (const PlacedImage& image : placed)
        std::printf("image %d: x %d y %d width %d height %d\n", image.m_nIndex + 1, image.m_nX, image.m_nY,
                    image.m_nWidth, image.m_nHeight);
    return 0;
}
