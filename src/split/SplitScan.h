// Splits one scan that passed its checks: finds its images, names and opens their outputs in the
// images' order (numbering by start number or append string counts in that order), writes them all
// from one pass over the scan's tiles and finishes the outputs (TIFF files closed, MRC headers with
// the images' statistics written over their placeholders).
#pragma once

#include "ImageExtraction.h"
#include "ImageOutput.h"
#include "ImagePlacement.h"
#include "OutputNames.h"
#include "RunOutcome.h"
#include "ScanCheck.h"
#include "ScanTiles.h"
#include "core/Messages.h"
#include "core/Progress.h"

#include <string>

namespace gc {

struct ScanJob {
    const std::string& path; // the scan's path, as given to the namer and the helper threads
    ScanTiles& scan;         // the calling thread's reader of the scan
    const ScanGeometry& geometry;
    const OutputSettings& settings;
    OutputNamer& namer;
    Messages& messages;
    const Progress& progress;
    const ExtractionSettings& extraction;
};

// `placements` must be reset for the expected images; they hold the finds and the rows written
// afterwards. The first failure ends the split with its result.
StepResult SplitCheckedScan(const ScanJob& job, ImagePlacements& placements);

} // namespace gc
