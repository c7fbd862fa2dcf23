// Extracts the found images of a scan in one pass: every tile of the scan is decoded once, on all
// the threads given, into a ring of a few rows of tiles, and each scan row is handed to every found
// image that covers it, in the images' order, while the next rows of tiles are being decoded. Tiles
// that no image covers are decoded too (a damaged tile anywhere stops the Run) and then dropped.
#pragma once

#include "ImagePlacement.h"
#include "RunOutcome.h"
#include "ScanCheck.h"
#include "ScanTiles.h"
#include "core/Messages.h"
#include "core/Progress.h"

#include <functional>
#include <string>

namespace gc {

// Receives the rows of the found images.
class ImageRowSink {
public:
    virtual ~ImageRowSink() = default;
    // Row `rowIndex` (0, 1, 2, ...) of image `image` (1..6), expectedWidth bytes.
    virtual RunOutcome WriteOutputRow(int image, const unsigned char* row, int rowIndex) = 0;
};

struct ExtractionSettings {
    int m_nThreads = 1; // threads that decode tiles, the calling thread included
    // Called on the calling thread after each row of tiles, with the rows of tiles done so far.
    std::function<void(int rowsOfTilesDone)> m_fnRowOfTilesDone;
    // Called with every tile of the scan once (the placement picture's samples), on the thread that
    // decoded it, so several threads call it at once, each with a different tile. That is safe while
    // the callee writes only what lies under `tile`: PlacementPreview::AddTile writes only the
    // picture's samples of scan pixels inside that tile, and each sample lies in exactly one tile.
    std::function<void(int tile, const unsigned char* pixels)> m_fnTileDecoded;
};

// Reads every tile of the scan at `path` (the calling thread through `scan`, helper threads through
// their own readers), hands the found images' rows to `sink` and counts them in the placements'
// m_nRowsDone. A tile that cannot be read: its library errors are shown (in tile order, on the
// calling thread), `detail` names the tile and the result is FatalRead. The sink's first failure ends the
// pass with it; Interrupted when `progress` asks to stop.
// The threads that read tiles for `requested`: at least 1, at most the scan's tile columns and the
// machine's cores (more would only wait, each with its memory).
int WorkerCount(int requested, const ScanGeometry& geometry);

RunOutcome ExtractImages(const std::string& path, ScanTiles& scan, const ScanGeometry& geometry,
                         ImagePlacements& placements, KeptTiles& kept, ImageRowSink& sink, Messages& messages,
                         const Progress& progress, const ExtractionSettings& settings, std::string& detail);

// The progress bar while file `fileIndex` of `fileCount` is split: from 10 at the start of the first
// file to 100 at the end of the last, in proportion to the rows of tiles extracted.
int RunProgressPosition(int fileIndex, int fileCount, int rowsOfTilesDone, int tilesDown);

} // namespace gc
