// Sample film scans for tests, benchmarks and the demo: one tile-organised, single-plane, 8-bit
// greyscale TIFF holding up to six bright images on a dark background, in the 3 × 2 grid the Run
// expects (images 0, 1, 2 in the top row from left to right, 3, 4, 5 below them).
//
// What a caller can rely on:
// - Tags: ImageWidth/ImageLength = m_nWidth/m_nHeight, TileWidth/TileLength = m_nTileWidth/
//   m_nTileHeight, BitsPerSample 8, SamplesPerPixel 1, PlanarConfiguration 1 (contiguous),
//   Photometric MinIsBlack, the chosen Compression, XResolution m_dResolution and YResolution
//   m_dYResolution in pixels per inch (ResolutionUnit inch). No RowsPerStrip tag. Classic TIFF, or
//   BigTIFF when the uncompressed pixels pass 4,000,000,000 bytes.
// - Every pixel outside the images (the padding of the right and bottom tiles included) is background,
//   in [BackgroundMin(recipe), BackgroundMax(recipe)], never above 50 (the Run's dark threshold).
// - Every image pixel is at least ImageMin(recipe) (> 50). An image is m_nEdgeWidth pixels of bright
//   edge (around m_nEdgeLevel) around a textured inside (around m_nImageLevel); so its top-left pixel
//   is the first bright pixel of its search window and a bright run follows it.
// - Image sizes: width = ⌊cm × m_dResolution / 2.54⌋, height = ⌊cm × m_dYResolution / 2.54⌋. With the
//   default resolutions these are the Run's expected sizes for the dialog's choices (8 cm → 11625,
//   10 cm → 14300, 7 → 10171, 9 → 13078 across; 9 → 12870, 11 → 15730 down).
// - Grid placement (m_placements empty): image k's corner is its cell's corner plus m_nMargin plus a
//   random 0..m_nJitter in each direction; cells are a third of the padded tile area across and a half
//   down, as the Run computes them. A draw that CheckFindable refuses is drawn again (deterministically)
//   before anything is written, so the Run, set to the same centimetres, finds each image exactly at its
//   placed corner; a recipe with no such layout (e.g. 9 cm wide images on a 36,000-pixel scan) fails.
//   Explicit placements are written as given (no findability check), clipped to the tile area.
// - Pixel values depend only on the seed, the recipe's image levels and the placements, never on tile size
//   or compression: ScanPainter gives any pixel without reading the file. Same recipe, same file.
// - Memory: one tile buffer; the scan is written tile by tile.
//
// Sizes that work: the Run's search step is ⌊(cellWidth + cellHeight) × 0.0001⌋ and finds nothing when
// it is 0, so a scan needs a third of its padded width plus half its padded height to reach 10,000.
// Six 8 × 10 cm images need about the default 36,000 × 30,000; six 7 × 9 cm images about
// 31,232 × 26,112 (default margin and jitter); one 7 × 9 cm image (m_nImages = 1) fits 10,496 × 13,312.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace gc::tools {

enum class ScanCompression { None, Lzw, Deflate, PackBits };

// Top-left corner and size in scan pixels; image k = index k (0..5, row-major in the 3 × 2 grid).
struct PlacedImage {
    int m_nIndex = 0;
    int m_nX = 0;
    int m_nY = 0;
    int m_nWidth = 0;
    int m_nHeight = 0;
};

struct ScanSpec {
    int m_nWidth = 36000, m_nHeight = 30000; // scan size in pixels
    int m_nTileWidth = 256, m_nTileHeight = 256;
    ScanCompression m_compression = ScanCompression::None;
    unsigned m_nSeed = 1;
    int m_nImages = 6; // images placed, in grid order
    double m_dImageWidthCm = 8.0, m_dImageHeightCm = 10.0;
    double m_dResolution = 3690.9375;      // pixels per inch across (1453.125 per cm)
    double m_dYResolution = 3632.2;        // pixels per inch down (1430 per cm)
    int m_nMargin = 100;                   // fixed offset of each image from its cell's corner
    int m_nJitter = 200;                   // max random extra offset of each image inside its cell
    std::vector<PlacedImage> m_placements; // when not empty: exact corners and sizes, no grid

    int m_nBackgroundMean = 24, m_nBackgroundNoise = 16; // background in mean ± noise, at most 50
    int m_nImageLevel = 150;                             // mean of an image's inside
    int m_nTextureAmplitude = 40;                        // ± slow texture of the inside
    int m_nImageNoise = 12;                              // ± pixel noise of the inside
    int m_nEdgeWidth = 8;                                // bright frame of each image, pixels
    int m_nEdgeLevel = 225, m_nEdgeNoise = 15;           // frame in level ± noise
};

// The Run's view of a scan of this size: tile grid, cells and search constants.
struct SearchLayout {
    int m_nTilesAcross = 0, m_nTilesDown = 0;
    int m_nPaddedWidth = 0, m_nPaddedHeight = 0;
    int m_nCellWidth = 0, m_nCellHeight = 0, m_nCellWidth8 = 0, m_nCellHeight8 = 0;
    int m_nStep = 0, m_nGapMax = 0, m_nRunLength = 0;
    int m_nQuarterHeight = 0;
    double m_dQuarterWidth = 0;
};

// The smallest scan the Run's search works on: one 7 × 9 cm image on 10,496 × 13,312 pixels (search
// step 1), 256-pixel tiles, uncompressed; tests change what they need.
ScanSpec OneImageSpec();

SearchLayout ComputeSearchLayout(const ScanSpec& recipe);
int ImageWidthPixels(const ScanSpec& recipe);
int ImageHeightPixels(const ScanSpec& recipe);
int BackgroundMin(const ScanSpec& recipe);
int BackgroundMax(const ScanSpec& recipe);
int ImageMin(const ScanSpec& recipe);
int ImageMax(const ScanSpec& recipe);

// The grid placement of the recipe's first m_nImages images (or the explicit placements).
std::vector<PlacedImage> PlanPlacements(const ScanSpec& recipe);

// True when the Run, with expected sizes equal to the images' sizes, finds image k (k = 0 .. n−1, in
// index order) exactly at its corner: the first bright pixel of its search window, a full bright run,
// inside the rejection limits. Otherwise false with the reason.
bool CheckFindable(const ScanSpec& recipe, const std::vector<PlacedImage>& placed, std::string* why);

// Pixel values of a scan, without a file.
class ScanPainter {
public:
    ScanPainter(const ScanSpec& recipe, std::vector<PlacedImage> placed);
    // Writes count pixels of scan row y starting at column x.
    void RenderRow(int y, int x, int count, std::uint8_t* out) const;
    std::uint8_t Pixel(int x, int y) const;

private:
    std::uint64_t Noise(int y, int block) const;
    std::vector<PlacedImage> m_placed;
    std::uint64_t m_nSeedKey;
    int m_nEdgeWidth;
    int m_nImageLevel;
    std::uint8_t m_background[256];
    std::uint8_t m_edge[256];
    int m_insideNoise[256];
    std::vector<int> m_textureX, m_textureY;
};

// Writes a scan of the recipe's size, tiles and compression tile by tile, each tile's rows from
// `renderRow` (scan row y, first column x, count pixels into out).
using RowRenderer = std::function<void(int y, int x, int count, std::uint8_t* out)>;
bool WriteTiledScan(const ScanSpec& recipe, const std::string& path, const RowRenderer& renderRow,
                    std::string* error);

// Writes the scan tile by tile. On success fills *placed (if given) with the images written.
bool GenerateScan(const ScanSpec& recipe, const std::string& path, std::vector<PlacedImage>* placed,
                  std::string* error);

const char* CompressionName(ScanCompression compression);
bool ParseCompression(const std::string& name, ScanCompression* compression);

} // namespace gc::tools
