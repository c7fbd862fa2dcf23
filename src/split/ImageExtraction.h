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
    // Where row `rowIndex` of image `image` may be put together before WriteOutputRow is called with
    // it, so that the sink need not copy it (the placement's width, x1 − x0, bytes); nullptr: the
    // caller's own buffer.
    virtual unsigned char* RowPlace(int /*image*/, int /*rowIndex*/) { return nullptr; }
    // Row `rowIndex` (0, 1, 2, ...) of image `image` (1..6): the placement's width, x1 − x0 bytes (the
    // expected width, or the wider box of an image that is turned back). A failure carries its reason.
    virtual SplitResult WriteOutputRow(int image, const unsigned char* row, int rowIndex) = 0;
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

// What one pass over a scan works on.
struct ExtractionJob {
    const std::string& path; // the scan's path, for the helper threads' readers and the messages
    ScanTiles& scan;         // the calling thread's reader (the search's)
    const ScanGeometry& geometry;
    ImagePlacements& placements; // the finds; m_nRowsDone counts the rows handed over
    KeptTiles& kept;             // the tiles the search decoded, taken over instead of read again
    ImageRowSink& sink;
    Messages& messages;
    const Progress& progress;
    const ExtractionSettings& settings;
};

// The threads that read tiles for `requested`: at least 1, at most the scan's tile columns and the
// machine's cores (more would only wait, each with its memory).
int WorkerCount(int requested, const ScanGeometry& geometry);

// Reads every tile of the job's scan (the calling thread through `scan`, helper threads through
// their own readers), hands the found images' rows to `sink` and counts them in the placements'
// m_nRowsDone. When the machine has a core that no decoding thread uses, the sink takes the rows on
// a thread of its own (one at a time, in order) while the tiles of the next rows are decoded;
// otherwise on the calling thread, each row put together where the sink's RowPlace says.
// A tile that cannot be read: its library errors are shown (in tile order, on the calling thread)
// and the result is FatalRead, its reason naming the tile. The sink's first failure ends the pass
// with it; Interrupted when `progress` asks to stop.
SplitResult ExtractImages(const ExtractionJob& job);

// The progress bar while file `fileIndex` of `fileCount` is split: from 10 at the start of the first
// file to 100 at the end of the last, in proportion to the rows of tiles extracted.
int RunProgressPosition(int fileIndex, int fileCount, int rowsOfTilesDone, int tilesDown);

} // namespace gc
