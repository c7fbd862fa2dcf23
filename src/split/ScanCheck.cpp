#include "ScanCheck.h"

#include "SplitMessages.h"

#include <cmath>

namespace gc {
namespace {

// ⌈numerator / denominator⌉ with the quotient formed in single precision; 0 for a zero denominator.
int TilesFor(std::uint32_t numerator, std::uint32_t denominator) {
    if (denominator == 0)
        return 0;
    return static_cast<int>(std::ceil(static_cast<float>(numerator) / static_cast<float>(denominator)));
}

// The tags the checks and the split read, into `geometry`.
void ReadScanTags(TIFF* input, ScanGeometry& geometry) {
    TIFFGetField(input, TIFFTAG_IMAGEWIDTH, &geometry.m_nImageWidth);
    TIFFGetField(input, TIFFTAG_IMAGELENGTH, &geometry.m_nImageLength);
    TIFFGetField(input, TIFFTAG_TILEWIDTH, &geometry.m_nTileWidth);
    TIFFGetField(input, TIFFTAG_TILELENGTH, &geometry.m_nTileLength);
    TIFFGetField(input, TIFFTAG_PLANARCONFIG, &geometry.m_nPlanarConfig);
    TIFFGetField(input, TIFFTAG_BITSPERSAMPLE, &geometry.m_nBitsPerSample);
    TIFFGetField(input, TIFFTAG_COMPRESSION, &geometry.m_nCompression);
    TIFFGetField(input, TIFFTAG_PHOTOMETRIC, &geometry.m_nPhotometric);
    TIFFGetField(input, TIFFTAG_SAMPLESPERPIXEL, &geometry.m_nSamplesPerPixel);
    TIFFGetField(input, TIFFTAG_RESOLUTIONUNIT, &geometry.m_nResolutionUnit);
    TIFFGetField(input, TIFFTAG_XRESOLUTION, &geometry.m_fXResolution);
    TIFFGetField(input, TIFFTAG_YRESOLUTION, &geometry.m_fYResolution);
    std::uint32_t rowsPerStrip = 0;
    geometry.m_bHasRowsPerStrip = TIFFGetField(input, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip) == 1;
}

// The sample checks; all three are made, so a file may get up to three messages. Accept when the
// samples can be split.
RunOutcome CheckSamples(const ScanGeometry& geometry, Messages& messages) {
    bool failed = false;
    if (geometry.m_nSamplesPerPixel != 1 && geometry.m_nSamplesPerPixel != 3) {
        messages.Warning(MSG_BAD_SAMPLES_PER_PIXEL);
        failed = true;
    }
    if (geometry.m_nBitsPerSample != 8) {
        messages.Warning(MSG_ONLY_8_BIT);
        failed = true;
    }
    if (geometry.m_nPlanarConfig != PLANARCONFIG_CONTIG) {
        messages.Warning(MSG_ONLY_SINGLE_PLANE);
        failed = true;
    }
    if (geometry.m_nSamplesPerPixel == 3) {
        messages.Warning(MSG_RGB_SKIPPED);
        return RunOutcome::FatalRgb;
    }
    return failed ? RunOutcome::Skipped : RunOutcome::Done;
}

// Whether the expected images fit the scan's cells, stand upright, and the tiles fill the layout.
RunOutcome CheckLayout(const ScanGeometry& geometry, Messages& messages) {
    const std::int64_t paddedArea =
        static_cast<std::int64_t>(geometry.m_nPaddedWidth) * geometry.m_nPaddedHeight;
    const std::int64_t expectedArea =
        static_cast<std::int64_t>(geometry.m_nExpectedWidth) * geometry.m_nExpectedHeight;
    if (expectedArea / 2 > paddedArea || geometry.m_nExpectedWidth / 4 > geometry.m_nCellWidth ||
        geometry.m_nExpectedHeight / 4 > geometry.m_nCellHeight) {
        messages.Error(MSG_BINNED_IMAGE);
        return RunOutcome::FatalRead;
    }
    if (geometry.m_nExpectedWidth > geometry.m_nExpectedHeight) {
        messages.Error(MSG_PLACED_INCORRECTLY);
        return RunOutcome::FatalRead;
    }
    if (static_cast<std::int64_t>(geometry.m_nTilesAcross) * geometry.m_nTilesDown != geometry.m_nTileCount) {
        messages.Error(MSG_TILE_COUNT_INCORRECT);
        return RunOutcome::FatalRead;
    }
    return RunOutcome::Done;
}

} // namespace

void ScanGeometry::Derive(int widthCm, int heightCm, int binning) {
    m_nTilesAcross = TilesFor(m_nImageWidth, m_nTileWidth);
    m_nTilesDown = TilesFor(m_nImageLength, m_nTileLength);
    m_nPaddedWidth = static_cast<int>(m_nTileWidth) * m_nTilesAcross;
    m_nPaddedHeight = static_cast<int>(m_nTileLength) * m_nTilesDown;
    m_nCellWidth = m_nPaddedWidth / 3;
    m_nCellHeight = m_nPaddedHeight / 2;
    m_nCellWidth8 = m_nCellWidth / 8;
    m_nCellHeight8 = m_nCellHeight / 8;
    m_nExpectedWidth = (widthCm * PIXELS_ACROSS_PER_8_CM) / 8;
    m_nExpectedHeight = (heightCm * PIXELS_DOWN_PER_10_CM) / 10;
    if (binning != 0) {
        m_nBinnedWidth = m_nExpectedWidth / binning;
        m_nBinnedHeight = m_nExpectedHeight / binning;
    } else {
        m_nBinnedWidth = m_nBinnedHeight = 0;
    }
}

bool ScanGeometry::FitsBand() const {
    return m_nTilesDown <= BAND_MAX_TILES_DOWN && m_nTileSize <= BAND_MAX_TILE_SIZE &&
           m_nTilesAcross <= BAND_MAX_TILES_ACROSS &&
           m_nTileLength <= static_cast<std::uint32_t>(BAND_MAX_ROWS) && m_nPaddedWidth <= BAND_MAX_WIDTH &&
           m_nTileWidth > 0 && m_nTileLength > 0 && m_nTileSize > 0;
}

double ScanPixelSize(const ScanGeometry& geometry, double magnification) {
    const double unit = geometry.m_nResolutionUnit == RESUNIT_INCH         ? ANGSTROM_PER_INCH
                        : geometry.m_nResolutionUnit == RESUNIT_CENTIMETER ? ANGSTROM_PER_CENTIMETRE
                                                                           : 0.0;
    const double x = geometry.m_fXResolution;
    const double y = geometry.m_fYResolution;
    if (unit == 0 || !(magnification > 0) || !(x > 0) || !(y > 0) || std::fabs(x - y) > 1e-4 * x)
        return 0;
    return unit / x / magnification;
}

RunOutcome CheckScanFile(TIFF* input, const std::string& path, const RunSettings& parameters,
                         ScanGeometry& geometry, Messages& messages) {
    geometry = ScanGeometry{};
    TIFFSetDirectory(input, 0);
    ReadScanTags(input, geometry);
    const bool tiled = TIFFIsTiled(input) != 0;
    const tmsize_t tileSize = tiled ? TIFFTileSize(input) : 0;
    const std::uint32_t tileCount = tiled ? TIFFNumberOfTiles(input) : 0;

    if (const RunOutcome samples = CheckSamples(geometry, messages); samples != RunOutcome::Done)
        return samples;
    if (!tiled) {
        messages.Warning(path + MSG_STRIP_ENCODED);
        return RunOutcome::Skipped;
    }

    // Sizes beyond int are clamped; the band limits refuse such scans later.
    geometry.m_nTileSize = tileSize > 0x7fffffff ? 0x7fffffff : static_cast<int>(tileSize);
    geometry.m_nTileCount = tileCount > 0x7fffffffu ? 0x7fffffff : static_cast<int>(tileCount);
    geometry.Derive(parameters.m_nWidthCm, parameters.m_nHeightCm, parameters.m_nBinning);

    return CheckLayout(geometry, messages);
}

} // namespace gc
