// Checks one opened input scan before it is split: reads its tags, decides whether the Run can handle
// it (full-resolution, tile-organised, single-plane, 8-bit greyscale, a tile grid that matches the
// tile count), shows the reasons when it cannot, and computes the scan's tile geometry and the
// expected size of the images in it.
#pragma once

#include "RunOutcome.h"
#include "RunSettings.h"
#include "core/Messages.h"

#include <cstdint>
#include <string>
#include <tiffio.h>

namespace gc {

// Expected image size: 1453.125 pixels per cm across, 1430 down, rounded down.
inline constexpr int PIXELS_ACROSS_PER_8_CM = 11625;
inline constexpr int PIXELS_DOWN_PER_10_CM = 14300;
// Resolution units in Å, for the pixel sizes the resolution tags carry.
inline constexpr double ANGSTROM_PER_CENTIMETRE = 1e8;
inline constexpr double ANGSTROM_PER_INCH = 2.54e8;

// Limits of the scans the Run takes (FitsBand): at most BAND_MAX_TILES_DOWN × BAND_MAX_TILES_ACROSS
// tiles of at most BAND_MAX_TILE_SIZE bytes each; BAND_MAX_ROWS and BAND_MAX_WIDTH bound one row of
// tiles.
inline constexpr int BAND_MAX_ROWS = 512;
inline constexpr int BAND_MAX_WIDTH = 262144;
inline constexpr int BAND_MAX_TILES_DOWN = 512;
inline constexpr int BAND_MAX_TILES_ACROSS = 512;
inline constexpr int BAND_MAX_TILE_SIZE = 262144;

struct ScanGeometry {
    // Tag values (0 when the tag is absent).
    std::uint32_t m_nImageWidth = 0, m_nImageLength = 0;
    std::uint32_t m_nTileWidth = 0, m_nTileLength = 0;
    std::uint16_t m_nSamplesPerPixel = 0, m_nBitsPerSample = 0, m_nPlanarConfig = 0;
    std::uint16_t m_nCompression = COMPRESSION_NONE, m_nPhotometric = PHOTOMETRIC_MINISBLACK;
    bool m_bHasRowsPerStrip = false;
    // The scan's sampling: ResolutionUnit (0 when absent) and pixels per unit along x and y.
    std::uint16_t m_nResolutionUnit = 0;
    float m_fXResolution = 0, m_fYResolution = 0;
    // From libtiff.
    int m_nTileSize = 0;  // bytes of one decoded tile
    int m_nTileCount = 0; // tiles in the file
    // Derived.
    int m_nTilesAcross = 0, m_nTilesDown = 0;
    int m_nPaddedWidth = 0, m_nPaddedHeight = 0;
    int m_nCellWidth = 0, m_nCellHeight = 0; // one of the 3 × 2 grid cells
    int m_nCellWidth8 = 0, m_nCellHeight8 = 0;
    int m_nExpectedWidth = 0, m_nExpectedHeight = 0;
    int m_nBinnedWidth = 0, m_nBinnedHeight = 0; // binning only

    // Fills the derived fields from the tag values and the parameters' sizes and binning.
    void Derive(int widthCm, int heightCm, int binning);
    // Whether the scan lies within the BAND_MAX_… limits above.
    bool FitsBand() const;
};

// Å per scan pixel at magnification `magnification`: the scanner's step from the resolution tags
// (pixels per inch or per centimetre, the same along x and y) divided by the magnification; 0 when
// the tags do not give it (absent, no unit, not positive, or x and y differing).
double ScanPixelSize(const ScanGeometry& geometry, double magnification);

// Reads directory 0 of `input` and checks it. `path` is the input's path, used in the strip message.
// Done: the scan may be split; Skipped: its message was shown and the next file follows; FatalRgb or
// FatalRead: the messages were shown and the Run stops.
RunOutcome CheckScanFile(TIFF* input, const std::string& path, const RunSettings& parameters,
                         ScanGeometry& geometry, Messages& messages);

} // namespace gc
