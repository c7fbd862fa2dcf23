// gridcarver-make-scan: writes a sample film scan (tile-organised 8-bit greyscale TIFF with up to six
// bright images on a dark background in a 3 × 2 grid) and prints where the images were placed.
#include "tools/ScanGenerator.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <map>

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
    app.add_option("output", output, "The TIFF file to write")->required();
    CLI11_PARSE(app, argc, argv);
    recipe.m_compression = compression;

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
