// Sample-scan generator: plans the images' places in the grid, checks that the Run's search finds them
// there, and writes the scan tile by tile with pixel values from a seeded, position-keyed hash.
#include "tools/ScanGenerator.h"
#include "core/TiffHandle.h"

#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>

namespace gc::tools {

namespace {

constexpr int DARK_THRESHOLD = 50; // the Run's pixels are bright above this value
constexpr int GRID_COLUMNS = 3;
constexpr int GRID_ROWS = 2;
constexpr int MAX_IMAGES = GRID_COLUMNS * GRID_ROWS;
constexpr int TEXTURE_PERIOD_X = 1534;
constexpr int TEXTURE_PERIOD_Y = 2046;
constexpr double CM_PER_INCH = 2.54;
constexpr std::uint64_t BIGTIFF_FROM_BYTES = 4000000000ULL;

std::uint64_t Mix(std::uint64_t value) {
    value += 0x9E3779B97F4A7C15ULL;
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ULL;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBULL;
    return value ^ (value >> 31);
}

int CeilDiv(int value, int divisor) {
    return (value + divisor - 1) / divisor;
}

// Triangle wave over one period, from -amplitude to +amplitude and back.
std::vector<int> TriangleWave(int period, int amplitude) {
    std::vector<int> wave(period);
    const int half = period / 2;
    for (int i = 0; i < period; ++i) {
        const int distance = i < half ? i : period - i; // 0 .. half
        wave[i] = -amplitude + (2 * amplitude * distance) / half;
    }
    return wave;
}

void SetError(std::string* error, const std::string& text) {
    if (error)
        *error = text;
}

bool ValidateSpec(const ScanSpec& recipe, std::string* error) {
    if (recipe.m_nWidth <= 0 || recipe.m_nHeight <= 0) {
        SetError(error, "scan width and height must be positive");
        return false;
    }
    if (recipe.m_nTileWidth <= 0 || recipe.m_nTileHeight <= 0 || recipe.m_nTileWidth % 16 != 0 ||
        recipe.m_nTileHeight % 16 != 0) {
        SetError(error, "tile width and height must be positive multiples of 16");
        return false;
    }
    if (recipe.m_nImages < 0 || recipe.m_nImages > MAX_IMAGES) {
        SetError(error, "the number of images must be 0 to 6");
        return false;
    }
    if (BackgroundMin(recipe) < 0 || BackgroundMax(recipe) > DARK_THRESHOLD ||
        recipe.m_nBackgroundNoise < 0) {
        SetError(error, "the background must stay within 0 .. 50");
        return false;
    }
    if (recipe.m_nImageNoise < 0 || recipe.m_nEdgeNoise < 0 || recipe.m_nTextureAmplitude < 0 ||
        ImageMin(recipe) <= DARK_THRESHOLD || ImageMax(recipe) > 255) {
        SetError(error, "image pixels must stay within 51 .. 255");
        return false;
    }
    if (recipe.m_nEdgeWidth < 1) {
        SetError(error, "the edge width must be at least 1");
        return false;
    }
    if (recipe.m_placements.empty() && (recipe.m_nMargin < 0 || recipe.m_nJitter < 0)) {
        SetError(error, "margin and jitter must not be negative");
        return false;
    }
    for (const PlacedImage& image : recipe.m_placements) {
        if (image.m_nWidth <= 0 || image.m_nHeight <= 0) {
            SetError(error, "every placed image needs a positive size");
            return false;
        }
    }
    return true;
}

uint16_t TiffCompression(ScanCompression compression) {
    switch (compression) {
    case ScanCompression::Lzw:
        return COMPRESSION_LZW;
    case ScanCompression::Deflate:
        return COMPRESSION_ADOBE_DEFLATE;
    case ScanCompression::PackBits:
        return COMPRESSION_PACKBITS;
    case ScanCompression::None:
        break;
    }
    return COMPRESSION_NONE;
}

} // namespace

ScanSpec OneImageSpec() {
    ScanSpec recipe;
    recipe.m_nWidth = 10496;
    recipe.m_nHeight = 13312;
    recipe.m_nImages = 1;
    recipe.m_dImageWidthCm = 7;
    recipe.m_dImageHeightCm = 9;
    return recipe;
}

SearchLayout ComputeSearchLayout(const ScanSpec& recipe) {
    SearchLayout layout;
    if (recipe.m_nTileWidth <= 0 || recipe.m_nTileHeight <= 0)
        return layout;
    layout.m_nTilesAcross = CeilDiv(recipe.m_nWidth, recipe.m_nTileWidth);
    layout.m_nTilesDown = CeilDiv(recipe.m_nHeight, recipe.m_nTileHeight);
    layout.m_nPaddedWidth = layout.m_nTilesAcross * recipe.m_nTileWidth;
    layout.m_nPaddedHeight = layout.m_nTilesDown * recipe.m_nTileHeight;
    layout.m_nCellWidth = layout.m_nPaddedWidth / GRID_COLUMNS;
    layout.m_nCellHeight = layout.m_nPaddedHeight / GRID_ROWS;
    layout.m_nCellWidth8 = layout.m_nCellWidth / 8;
    layout.m_nCellHeight8 = layout.m_nCellHeight / 8;
    layout.m_nStep = static_cast<int>((layout.m_nCellWidth + layout.m_nCellHeight) * 0.0001);
    layout.m_nGapMax = layout.m_nStep * 5000;
    layout.m_nRunLength = layout.m_nStep * 50;
    layout.m_nQuarterHeight = static_cast<int>(recipe.m_nTileHeight * 0.25 * layout.m_nTilesDown);
    layout.m_dQuarterWidth = recipe.m_nTileWidth * 0.25 * layout.m_nTilesAcross;
    return layout;
}

int ImageWidthPixels(const ScanSpec& recipe) {
    return static_cast<int>(std::floor(recipe.m_dImageWidthCm * recipe.m_dResolution / CM_PER_INCH + 1e-6));
}

int ImageHeightPixels(const ScanSpec& recipe) {
    return static_cast<int>(std::floor(recipe.m_dImageHeightCm * recipe.m_dYResolution / CM_PER_INCH + 1e-6));
}

int BackgroundMin(const ScanSpec& recipe) {
    return recipe.m_nBackgroundMean - recipe.m_nBackgroundNoise;
}
int BackgroundMax(const ScanSpec& recipe) {
    return recipe.m_nBackgroundMean + recipe.m_nBackgroundNoise;
}

int ImageMin(const ScanSpec& recipe) {
    return std::min(recipe.m_nImageLevel - recipe.m_nTextureAmplitude - recipe.m_nImageNoise,
                    recipe.m_nEdgeLevel - recipe.m_nEdgeNoise);
}

int ImageMax(const ScanSpec& recipe) {
    return std::max(recipe.m_nImageLevel + recipe.m_nTextureAmplitude + recipe.m_nImageNoise,
                    recipe.m_nEdgeLevel + recipe.m_nEdgeNoise);
}

namespace {

std::vector<PlacedImage> DrawGrid(const ScanSpec& recipe, const SearchLayout& layout, std::mt19937& random) {
    const std::uint32_t spread = static_cast<std::uint32_t>(std::max(recipe.m_nJitter, 0)) + 1;
    std::vector<PlacedImage> placed;
    for (int k = 0; k < recipe.m_nImages; ++k) {
        PlacedImage image;
        image.m_nIndex = k;
        const int jitterX = static_cast<int>(random() % spread);
        const int jitterY = static_cast<int>(random() % spread);
        image.m_nX = (k % GRID_COLUMNS) * layout.m_nCellWidth + recipe.m_nMargin + jitterX;
        image.m_nY = (k / GRID_COLUMNS) * layout.m_nCellHeight + recipe.m_nMargin + jitterY;
        image.m_nWidth = ImageWidthPixels(recipe);
        image.m_nHeight = ImageHeightPixels(recipe);
        placed.push_back(image);
    }
    return placed;
}

// Jittered grid places, drawn again until the Run's search finds every image at its corner (an image
// jutting out past its lower neighbour's right edge would be found first in that neighbour's right
// neighbour's window).
bool PlanGrid(const ScanSpec& recipe, std::vector<PlacedImage>* placed, std::string* why) {
    constexpr int MAX_DRAWS = 1000;
    const SearchLayout layout = ComputeSearchLayout(recipe);
    std::mt19937 random(recipe.m_nSeed);
    for (int draw = 0; draw < MAX_DRAWS; ++draw) {
        *placed = DrawGrid(recipe, layout, random);
        if (CheckFindable(recipe, *placed, why))
            return true;
        if (recipe.m_nJitter <= 0)
            break;
    }
    return false;
}

} // namespace

std::vector<PlacedImage> PlanPlacements(const ScanSpec& recipe) {
    if (!recipe.m_placements.empty())
        return recipe.m_placements;
    std::vector<PlacedImage> placed;
    PlanGrid(recipe, &placed, nullptr);
    return placed;
}

bool CheckFindable(const ScanSpec& recipe, const std::vector<PlacedImage>& placed, std::string* why) {
    const SearchLayout layout = ComputeSearchLayout(recipe);
    if (layout.m_nStep < 1) {
        SetError(why, "the cells are too small: the search step is 0, no image can be found");
        return false;
    }
    const long long paddedWidth = layout.m_nPaddedWidth;
    const long long paddedHeight = layout.m_nPaddedHeight;
    for (std::size_t k = 0; k < placed.size(); ++k) {
        const PlacedImage& target = placed[k];
        const std::string name = "image " + std::to_string(k + 1);
        if (target.m_nIndex != static_cast<int>(k) || k >= static_cast<std::size_t>(MAX_IMAGES)) {
            SetError(why, "images must be indexed 0, 1, 2, ... in grid order");
            return false;
        }
        if (target.m_nX < 0 || target.m_nY < 0 || target.m_nX + target.m_nWidth > recipe.m_nWidth ||
            target.m_nY + target.m_nHeight > recipe.m_nHeight) {
            SetError(why, name + " does not fit in the scan");
            return false;
        }
        const int column = static_cast<int>(k) % GRID_COLUMNS;
        const int row = static_cast<int>(k) / GRID_COLUMNS;
        // Search window, bounds exclusive.
        long long rowLow = -1, rowHigh = layout.m_nQuarterHeight;
        if (row > 0) {
            const PlacedImage& above = placed[k - GRID_COLUMNS];
            rowLow = static_cast<long long>(above.m_nY) + above.m_nHeight + layout.m_nStep;
            rowHigh = static_cast<long long>(above.m_nY) + above.m_nHeight + layout.m_nGapMax;
        }
        long long columnLow = -1, columnHigh = static_cast<long long>(std::ceil(layout.m_dQuarterWidth));
        if (column > 0) {
            const PlacedImage& left = placed[k - 1];
            columnLow = static_cast<long long>(left.m_nX) + left.m_nWidth + layout.m_nStep;
            columnHigh = static_cast<long long>(left.m_nX) + left.m_nWidth + layout.m_nGapMax;
        }
        rowHigh = std::min(rowHigh, paddedHeight);
        columnHigh = std::min(columnHigh, paddedWidth);
        // First bright pixel of the window, row by row: the top row of some image inside it.
        long long firstRow = -1;
        for (const PlacedImage& image : placed) {
            const long long top = std::max<long long>(image.m_nY, rowLow + 1);
            const long long bottom =
                std::min<long long>(static_cast<long long>(image.m_nY) + image.m_nHeight, rowHigh);
            const long long leftmost = std::max<long long>(image.m_nX, columnLow + 1);
            const long long rightEnd =
                std::min<long long>(static_cast<long long>(image.m_nX) + image.m_nWidth, columnHigh);
            if (top < bottom && leftmost < rightEnd && (firstRow < 0 || top < firstRow))
                firstRow = top;
        }
        long long firstColumn = -1;
        for (const PlacedImage& image : placed) {
            if (firstRow < image.m_nY || firstRow >= static_cast<long long>(image.m_nY) + image.m_nHeight)
                continue;
            const long long leftmost = std::max<long long>(image.m_nX, columnLow + 1);
            const long long rightEnd =
                std::min<long long>(static_cast<long long>(image.m_nX) + image.m_nWidth, columnHigh);
            if (leftmost < rightEnd && (firstColumn < 0 || leftmost < firstColumn))
                firstColumn = leftmost;
        }
        if (firstRow != target.m_nY || firstColumn != target.m_nX) {
            SetError(why, name + " is not the first bright pixel of its search window");
            return false;
        }
        if (target.m_nWidth < layout.m_nRunLength || target.m_nX + layout.m_nRunLength >= paddedWidth) {
            SetError(why, name + " is narrower than the bright run the search needs");
            return false;
        }
        if (target.m_nX > column * layout.m_nCellWidth + layout.m_nCellWidth8 ||
            target.m_nY > row * layout.m_nCellHeight + layout.m_nCellHeight8) {
            SetError(why, name + " lies beyond the limits of its cell");
            return false;
        }
    }
    return true;
}

ScanPainter::ScanPainter(const ScanSpec& recipe, std::vector<PlacedImage> placed)
    : m_placed(std::move(placed)), m_nSeedKey(Mix(recipe.m_nSeed)), m_nEdgeWidth(recipe.m_nEdgeWidth),
      m_nImageLevel(recipe.m_nImageLevel) {
    for (int b = 0; b < 256; ++b) {
        m_background[b] = static_cast<std::uint8_t>(BackgroundMin(recipe) +
                                                    (b * (2 * recipe.m_nBackgroundNoise + 1)) / 256);
        m_edge[b] = static_cast<std::uint8_t>(recipe.m_nEdgeLevel - recipe.m_nEdgeNoise +
                                              (b * (2 * recipe.m_nEdgeNoise + 1)) / 256);
        m_insideNoise[b] = -recipe.m_nImageNoise + (b * (2 * recipe.m_nImageNoise + 1)) / 256;
    }
    const int half = recipe.m_nTextureAmplitude / 2;
    m_textureX = TriangleWave(TEXTURE_PERIOD_X, half);
    m_textureY = TriangleWave(TEXTURE_PERIOD_Y, recipe.m_nTextureAmplitude - half);
}

// Eight noise bytes for pixels 8 × block .. 8 × block + 7 of row y.
std::uint64_t ScanPainter::Noise(int y, int block) const {
    return Mix(m_nSeedKey ^ ((static_cast<std::uint64_t>(static_cast<std::uint32_t>(y)) << 32) |
                             static_cast<std::uint32_t>(block)));
}

void ScanPainter::RenderRow(int y, int x, int count, std::uint8_t* out) const {
    const int end = x + count;
    // Fills [from, to) with table[noise byte] plus an offset per column.
    auto fill = [&](int from, int to, auto&& value) {
        if (from >= to)
            return;
        std::uint64_t noise = Noise(y, from >> 3);
        for (int column = from; column < to; ++column) {
            const int lane = column & 7;
            if (lane == 0 && column != from)
                noise = Noise(y, column >> 3);
            out[column - x] = value(column, static_cast<unsigned>((noise >> (8 * lane)) & 0xFF));
        }
    };
    fill(x, end, [&](int, unsigned byte) { return m_background[byte]; });
    for (const PlacedImage& image : m_placed) {
        const int top = image.m_nY, bottom = image.m_nY + image.m_nHeight;
        if (y < top || y >= bottom)
            continue;
        const int left = std::max(x, image.m_nX), right = std::min(end, image.m_nX + image.m_nWidth);
        if (left >= right)
            continue;
        const auto edge = [&](int, unsigned byte) { return m_edge[byte]; };
        const int v = y - top;
        if (v < m_nEdgeWidth || v >= image.m_nHeight - m_nEdgeWidth) {
            fill(left, right, edge);
            continue;
        }
        const int insideLeft = std::clamp(image.m_nX + m_nEdgeWidth, left, right);
        const int insideRight = std::clamp(image.m_nX + image.m_nWidth - m_nEdgeWidth, insideLeft, right);
        const int rowLevel = m_nImageLevel + m_textureY[(v + 389 * image.m_nIndex) % TEXTURE_PERIOD_Y];
        const int phase = 613 * image.m_nIndex - image.m_nX;
        fill(left, insideLeft, edge);
        fill(insideLeft, insideRight, [&](int column, unsigned byte) {
            const int u = column + phase;
            const int wave = m_textureX[((u % TEXTURE_PERIOD_X) + TEXTURE_PERIOD_X) % TEXTURE_PERIOD_X];
            return static_cast<std::uint8_t>(rowLevel + wave + m_insideNoise[byte]);
        });
        fill(insideRight, right, edge);
    }
}

std::uint8_t ScanPainter::Pixel(int x, int y) const {
    std::uint8_t value = 0;
    RenderRow(y, x, 1, &value);
    return value;
}

bool WriteTiledScan(const ScanSpec& recipe, const std::string& path, const RowRenderer& renderRow,
                    std::string* error) {
    const SearchLayout layout = ComputeSearchLayout(recipe);
    const std::uint64_t pixels = static_cast<std::uint64_t>(layout.m_nPaddedWidth) *
                                 static_cast<std::uint64_t>(layout.m_nPaddedHeight);
    TiffHandle tif(TIFFOpen(path.c_str(), pixels > BIGTIFF_FROM_BYTES ? "w8" : "w"));
    if (!tif) {
        SetError(error, "cannot create " + path);
        return false;
    }
    TIFF* out = tif.get();
    TIFFSetField(out, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(recipe.m_nWidth));
    TIFFSetField(out, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(recipe.m_nHeight));
    TIFFSetField(out, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(out, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(out, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(out, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(out, TIFFTAG_TILEWIDTH, static_cast<std::uint32_t>(recipe.m_nTileWidth));
    TIFFSetField(out, TIFFTAG_TILELENGTH, static_cast<std::uint32_t>(recipe.m_nTileHeight));
    TIFFSetField(out, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFSetField(out, TIFFTAG_XRESOLUTION, static_cast<float>(recipe.m_dResolution));
    TIFFSetField(out, TIFFTAG_YRESOLUTION, static_cast<float>(recipe.m_dYResolution));
    TIFFSetField(out, TIFFTAG_SOFTWARE, "gridcarver-make-scan");
    if (TIFFSetField(out, TIFFTAG_COMPRESSION, TiffCompression(recipe.m_compression)) != 1) {
        SetError(error, std::string("this libtiff cannot write ") + CompressionName(recipe.m_compression));
        return false;
    }

    const std::size_t tileBytes = static_cast<std::size_t>(recipe.m_nTileWidth) * recipe.m_nTileHeight;
    std::vector<std::uint8_t> tile(tileBytes);
    std::uint32_t tileIndex = 0;
    for (int tileRow = 0; tileRow < layout.m_nTilesDown; ++tileRow) {
        for (int tileColumn = 0; tileColumn < layout.m_nTilesAcross; ++tileColumn, ++tileIndex) {
            for (int r = 0; r < recipe.m_nTileHeight; ++r)
                renderRow(tileRow * recipe.m_nTileHeight + r, tileColumn * recipe.m_nTileWidth,
                          recipe.m_nTileWidth,
                          tile.data() + static_cast<std::size_t>(r) * recipe.m_nTileWidth);
            if (TIFFWriteEncodedTile(out, tileIndex, tile.data(), static_cast<tmsize_t>(tileBytes)) < 0) {
                SetError(error, "cannot write tile " + std::to_string(tileIndex) + " of " + path);
                return false;
            }
        }
    }
    if (!TIFFWriteDirectory(out)) {
        SetError(error, "cannot write the directory of " + path);
        return false;
    }
    return true;
}

bool GenerateScan(const ScanSpec& recipe, const std::string& path, std::vector<PlacedImage>* placed,
                  std::string* error) {
    if (!ValidateSpec(recipe, error))
        return false;
    std::vector<PlacedImage> images = recipe.m_placements;
    if (images.empty() && !PlanGrid(recipe, &images, error))
        return false;
    const ScanPainter painter(recipe, images);
    if (!WriteTiledScan(
            recipe, path,
            [&painter](int y, int x, int count, std::uint8_t* out) { painter.RenderRow(y, x, count, out); },
            error))
        return false;
    if (placed)
        *placed = images;
    return true;
}

const char* CompressionName(ScanCompression compression) {
    switch (compression) {
    case ScanCompression::Lzw:
        return "lzw";
    case ScanCompression::Deflate:
        return "deflate";
    case ScanCompression::PackBits:
        return "packbits";
    case ScanCompression::None:
        break;
    }
    return "none";
}

bool ParseCompression(const std::string& name, ScanCompression* compression) {
    for (ScanCompression candidate :
         {ScanCompression::None, ScanCompression::Lzw, ScanCompression::Deflate, ScanCompression::PackBits}) {
        if (name == CompressionName(candidate)) {
            *compression = candidate;
            return true;
        }
    }
    return false;
}

} // namespace gc::tools
