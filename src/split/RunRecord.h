// What a Run did with each scan, for the command line's per-image lines, the JSON run report and the
// placement pictures: the scan's layout, its outcome, and for every expected image its corner, the
// rows it delivered and the files written for it with their header statistics.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace gc {

struct OutputRecord {
    std::string path;
    int width = 0, height = 0;
    bool hasStatistics = false; // MRC outputs: the header's statistics
    double dmin = 0, dmax = 0, mean = 0, rms = 0;
    double pixelSize = 0; // Å per pixel; 0 when not set
};

struct ImageRecord {
    int number = 0; // 1..6
    bool found = false;
    int x = 0, y = 0;          // top-left corner in scan pixels
    int width = 0, height = 0; // the expected size
    int rowsDelivered = 0;     // rows that lie inside the scan (the rest are completed with zeros)
    bool setByHand = false;    // its corner was given (a person corrected it), not found
    bool hasAngle = false;     // the sheet finder placed it: its sheet's angle in degrees
    double angle = 0;
    std::string interpolation; // turned back by its angle with this interpolation; empty: cut as it is
    std::string name;          // the full-size output's path, as written or as it would be written
    bool written = false;      // false in a dry run, after a stop, or when its name clashed
    std::string notWrittenReason;
    std::vector<OutputRecord> outputs; // full-size, then binned
    std::vector<std::string> warnings; // size checks: the chosen size does not fit what the scan shows
};

// Corners a person corrected, per scan path: records with found and setByHand, the image's number and
// its corner (the size stays the expected one).
using CornerCorrections = std::map<std::string, std::vector<ImageRecord>>;

enum class ScanOutcome { Done, Skipped, Fatal, Interrupted };

struct ScanRecord {
    std::string path;
    int width = 0, height = 0, tileWidth = 0, tileLength = 0;
    int compression = 0; // the TIFF compression tag value
    ScanOutcome outcome = ScanOutcome::Done;
    std::string message; // the texts shown for a skipped or stopped scan
    std::vector<ImageRecord> images;
};

const char* ScanOutcomeName(ScanOutcome outcome);
// The scan's images that were found but not written (their outputs would have replaced a file of the
// Run, or an earlier output is read-only).
int ImagesNotWritten(const ScanRecord& scan);
// ", turned 0.32 degrees" for an image placed by the sheet finder (", turned 0.32 degrees, turned back
// (bilinear interpolation)" when it was deskewed), else "".
std::string AngleText(const ImageRecord& image);  // "done", "skipped", "stopped", "interrupted"
const char* ScanCompressionName(int compression); // "none", "lzw", "deflate", "packbits", or "other"

} // namespace gc
