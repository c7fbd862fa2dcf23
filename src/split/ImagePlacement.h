// Finds the images of a scan. A scan holds up to six images in a 3 × 2 grid; FindImages looks for
// them in order, image m only after image m − 1 was found, each by the start of a bright run inside
// a search window that follows from the grid and from the images found before it. It decodes only
// the tiles under an image's windows, top to bottom, and stops at the find; the tiles it decodes are
// kept (within a budget) for the extraction, which then need not decode them again.
#pragma once

#include "RunOutcome.h"
#include "ScanCheck.h"
#include "ScanTiles.h"
#include "core/Progress.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace gc {

inline constexpr int MAX_IMAGES = 6;
// A pixel is bright when its value is greater than this.
inline constexpr int BRIGHT_THRESHOLD = 50;

enum PlacementState { PLACEMENT_SEARCHED = 0, PLACEMENT_FOUND = 1, PLACEMENT_NOT_EXPECTED = 2 };

struct ImagePlacement {
    int m_nState = PLACEMENT_SEARCHED;
    int m_nX0 = 0, m_nY0 = 0; // top-left corner in scan coordinates
    int m_nX1 = 0, m_nY1 = 0; // x0 + expectedWidth, y0 + expectedHeight (exclusive); for an
                              // image turned back, the box its source lies in (Deskew.h)
    int m_nRunState = 0;      // run test state, reset at every scan row
    int m_nRowsDone = 0;      // rows handed to the output
};

// Marks `placement` found with its top-left corner at (x, y) and the geometry's expected size.
inline void PlaceFound(ImagePlacement& placement, int x, int y, const ScanGeometry& geometry) {
    placement.m_nState = PLACEMENT_FOUND;
    placement.m_nX0 = x;
    placement.m_nY0 = y;
    placement.m_nX1 = x + geometry.m_nExpectedWidth;
    placement.m_nY1 = y + geometry.m_nExpectedHeight;
}

// Slot i holds image i + 1.
using ImagePlacements = std::array<ImagePlacement, MAX_IMAGES>;

// Slots 1..imageCount are searched, the others are not expected.
void ResetPlacements(ImagePlacements& placements, int imageCount);

// The search's scale follows the size of the grid's cells. A corner is the first bright pixel of a
// window that is followed by a bright run: runLength pixels, so that specks of dust and scratches
// (bright but short) are passed over. Each image is looked for from a small step beyond its
// neighbour (so the neighbour's own edge cannot be taken for it) up to gapMax beyond; images of the
// top row start in the top quarter of the scan, those of the left column in its left quarter.
struct SearchConstants {
    int m_nStep = 0;            // trunc((cellWidth + cellHeight) × 0.0001)
    int m_nGapMax = 0;          // step × 5000
    int m_nRunLength = 0;       // step × 50
    int m_nQuarterHeight = 0;   // trunc(tileLength × 0.25 × tilesDown)
    double m_dQuarterWidth = 0; // tileWidth × 0.25 × tilesAcross

    static SearchConstants For(const ScanGeometry& geometry);
};

// Tiles decoded by the search, by tile number, kept for the extraction while they fit the budget.
class KeptTiles {
public:
    KeptTiles(int tileCount, std::size_t budgetBytes);
    // The kept tile, or nullptr.
    std::vector<unsigned char>* Find(int tile);
    // Keeps `decoded` if it fits the budget; true when kept (decoded is then moved from).
    bool Keep(int tile, std::vector<unsigned char>& decoded);

private:
    std::vector<std::vector<unsigned char>> tiles;
    std::size_t bytes = 0;
    std::size_t budget;
};

// Finds images 1..6 of the scan in order (slots that are not expected stay so). Reads the tiles
// through `scan`, and, with `threads` above 1, each batch of a search's tiles also through that many
// less one further readers of the same scan on threads of their own. FatalRead (its reason naming the
// tile) when a tile cannot be read, Interrupted when `progress` asks to stop.
SplitResult FindImages(ScanTiles& scan, const ScanGeometry& geometry, const SearchConstants& constants,
                       ImagePlacements& placements, KeptTiles& kept, const Progress& progress,
                       int threads = 1);

} // namespace gc
