// Splits one scan that passed its checks: finds its images, names and opens their outputs in the
// images' order (numbering by start number or append string counts in that order), writes them all
// from one pass over the scan's tiles and finishes the outputs (TIFF files closed, MRC headers with
// the images' statistics written over their placeholders).
#pragma once

#include "ImageExtraction.h"
#include "ImageOutput.h"
#include "ImagePlacement.h"
#include "OutputNames.h"
#include "PlacementPreview.h"
#include "RunOutcome.h"
#include "RunRecord.h"
#include "RunSettings.h"
#include "ScanCheck.h"
#include "ScanTiles.h"
#include "core/Messages.h"
#include "core/NameRegistry.h"
#include "core/Progress.h"

#include <functional>
#include <set>
#include <string>
#include <vector>

namespace gc {

// The files a Run must not write over: its inputs, and every output it has written (or, in a dry
// run, would write) so far, the report and the placement pictures included. Names are compared in
// their absolute, normalised form (core/NameRegistry.h), so "s.tif", "./s.tif" and "/scans/s.tif" are
// one file whether or not it exists yet.
class RunFiles {
public:
    void AddInput(const std::string& path) { m_names.AddInput(path); }
    void AddOutput(const std::string& path) { m_names.AddOutput(path); }
    // nullptr, or the reason why `path` must not be written (MSG_CLASHES_WITH_INPUT or
    // MSG_CLASHES_WITH_OUTPUT).
    const char* Clash(const std::string& path) const;

private:
    NameRegistry m_names;
};

// What one split leaves for the driver besides its result.
struct SplitReport {
    std::vector<ImageRecord> images; // the expected images, in order
};

struct ScanJob {
    const std::string& path; // the scan's path, as given to the namer and the helper threads
    ScanTiles& scan;         // the calling thread's reader of the scan
    const ScanGeometry& geometry;
    const OutputSettings& settings;
    OutputNamer& namer;
    Messages& messages;
    const Progress& progress;
    const ExtractionSettings& extraction;
    RunFiles& runFiles;
    // A dry run finds and names the images and writes nothing; with a preview it still decodes every
    // tile once (a damaged tile stops it as it stops a Run).
    bool dryRun = false;
    ImageFinder finder = ImageFinder::Classic;
    // With the sheet finder: each turned sheet is turned back about its centre before it is cut
    // (Deskew.h); images whose corners were set by hand are cut as given.
    bool deskew = false;
    // Images whose corners a person set (setByHand): cut there whatever the search finds.
    const std::vector<ImageRecord>* givenCorners = nullptr;
    PlacementPreview* preview = nullptr; // filled from the decoded tiles when given
    // Called for each image once its files are finished and in place.
    std::function<void(const ImageRecord&)> imageCommitted = {};
};

// `placements` must be reset for the expected images; they hold the finds and the rows written
// afterwards. A found image whose output would replace a file of the Run is not written: one message
// names the image, the input and the clashing name. The first failure ends the split with its result
// and reason.
SplitResult SplitCheckedScan(const ScanJob& job, ImagePlacements& placements, SplitReport& report);

} // namespace gc
