// Finds one image of a scan and extracts its rows: RunImagePass makes one pass over every tile of
// the scan for image m = pass + 1, collects each row of tiles in the band buffer, looks for the
// image's top-left corner (the start of a bright run inside a search window given by the 3 × 2 grid
// and the images already found) and hands every scan row inside the image to an ImageRowSink.
#pragma once

#include "RunOutcome.h"
#include "ScanCheck.h"
#include "core/Progress.h"

#include <array>
#include <cstdint>
#include <functional>
#include <tiffio.h>
#include <vector>

namespace gc {

inline constexpr int MAX_IMAGES = 6;
// A pixel is bright when its value is greater than this.
inline constexpr int BRIGHT_THRESHOLD = 50;

enum PlacementState { PLACEMENT_SEARCHED = 0, PLACEMENT_FOUND = 1, PLACEMENT_NOT_EXPECTED = 2 };

struct ImagePlacement {
    int m_nState = PLACEMENT_SEARCHED;
    int m_nX0 = 0, m_nY0 = 0; // top-left corner in scan coordinates
    int m_nX1 = 0, m_nY1 = 0; // x0 + expectedWidth, y0 + expectedHeight (exclusive)
    int m_nRunState = 0;      // run test state, reset at every scan row
    int m_nPixelIndex = 0;    // next position in the image-row buffer
    int m_nRowsDone = 0;      // rows handed to the output; 0 means no output file yet
};

// Slot i holds image i + 1.
using ImagePlacements = std::array<ImagePlacement, MAX_IMAGES>;

// Slots 1..imageCount are searched, the others are not expected.
void ResetPlacements(ImagePlacements& placements, int imageCount);

struct SearchConstants {
    int m_nStep = 0;            // trunc((cellWidth + cellHeight) × 0.0001)
    int m_nGapMax = 0;          // step × 5000
    int m_nRunLength = 0;       // step × 50
    int m_nQuarterHeight = 0;   // trunc(tileLength × 0.25 × tilesDown)
    double m_dQuarterWidth = 0; // tileWidth × 0.25 × tilesAcross

    static SearchConstants For(const ScanGeometry& geometry);
};

// Receives the rows of the image searched in a pass.
class ImageRowSink {
public:
    virtual ~ImageRowSink() = default;
    // Before the first row of image `image` (1..6).
    virtual StepResult OpenOutputs(int image) = 0;
    // Row `rowIndex` (0, 1, 2, ...) of image `image`, expectedWidth bytes.
    virtual StepResult WriteOutputRow(int image, const unsigned char* row, int rowIndex) = 0;
};

// The progress bar's position before each tile read: trunc((k+1)(t+1)·90 / (N·T) + 10) for one
// file, trunc((k+1)(t+1)(f+1)·90 / (N·T·F) + 10) in a batch; set before every tile, also when it
// has not changed (the display skips repeats).
class PassProgress {
public:
    PassProgress(Progress& progress, int pass, int imageCount, int tileCount, int fileIndex, int fileCount);
    void BeforeTile(int tile);
    static int Position(int pass, int tile, int fileIndex, int imageCount, int tileCount, int fileCount);

private:
    Progress& m_progress;
    int m_nPass, m_nImageCount, m_nTileCount, m_nFileIndex, m_nFileCount;
};

// Working memory of a file's passes: one decoded tile, one row of tiles, one row per image slot.
struct PassBuffers {
    std::vector<unsigned char> m_tile;
    std::vector<unsigned char> m_band; // tileLength rows of paddedWidth bytes
    std::array<std::vector<unsigned char>, MAX_IMAGES> m_rows;

    // Sizes the buffers for `geometry` (the geometry must fit the band); throws std::bad_alloc.
    void Allocate(const ScanGeometry& geometry);
};

// One pass over the scan for image pass + 1. FatalRead when a tile cannot be read; otherwise the
// sink's first failure, or Ok. `rowOfTilesRead`, when given, is called after every row of tiles.
StepResult RunImagePass(TIFF* input, int pass, const ScanGeometry& geometry, const SearchConstants& constants,
                        ImagePlacements& placements, PassBuffers& buffers, ImageRowSink& sink,
                        PassProgress& progress, const std::function<void()>& rowOfTilesRead = {});

} // namespace gc
