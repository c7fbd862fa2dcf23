// Pick coordinate files: the saved picks as an EMAN2 box file and a RELION STAR file beside the MRC
// boxes, and the centres read back from a .box, .star or two-column .csv file.
//
// Our centres are image pixels with (0, 0) at the top-left pixel and y growing downwards.
// - EMAN2 .box: one line per box, tab-separated: x and y of the box's lower-left corner, then its
//   width and height. EMAN counts from the bottom-left corner of the image with y growing upwards, so
//   a box of side S around (x, y) in an image H rows high is written as x − S/2, H − (y − S/2 + S), S, S
//   (S/2 in integer division, the same half a box as the box cut out of the image).
// - RELION .star: a data_ block holding a loop of _rlnCoordinateX and _rlnCoordinateY, the box centres
//   in pixels counted from the first (top-left) pixel, y downwards: our centres unchanged.
// - .csv: "x,y" per line in our own coordinates; a first line that holds no numbers is a header.
#pragma once

#include "PickState.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace gc {

enum class CoordinateFormat { EmanBox, RelionStar, Csv };

// Names beside the opened image: its path cut at the first "." of its file name, then "_picks.box" or
// "_picks.star".
std::string PickBoxFileName(const std::string& openFilePath);
std::string PickStarFileName(const std::string& openFilePath);

// The text of each file for `centres` (boxes of side `maskSize` in an image `imageHeight` rows high).
std::string EmanBoxText(const std::vector<PickPoint>& centres, int maskSize, int imageHeight);
std::string RelionStarText(const std::vector<PickPoint>& centres);

// The format named by the path's extension (.box, .star, .csv, any case), or none.
std::optional<CoordinateFormat> CoordinateFormatOf(const std::string& path);

struct CoordinateReading {
    std::vector<PickPoint> m_centres; // in file order, in our coordinates
    int m_nBadLine = 0;               // 1-based line of the first malformed line; 0 when none
    std::string m_strProblem;         // what is wrong with it (or with the file), empty when all is well
    bool Ok() const { return m_strProblem.empty(); }
};

// The largest coordinate file read: far more than MAX_PICKS lines in any format.
inline constexpr std::size_t MAX_COORDINATE_FILE_BYTES = std::size_t{64} << 20;

enum class CoordinateFileRead { Read, Unreadable, TooLarge };
// The whole text of the coordinate file `path`, read up to MAX_COORDINATE_FILE_BYTES (so an endless
// file such as /dev/zero ends too); Unreadable sets errno.
CoordinateFileRead ReadCoordinateFile(const std::string& path, std::string& text);

// Reads the centres from the text of a coordinate file; `imageHeight` turns EMAN's bottom-up corners
// into our top-down centres. Every number must be a whole number; the first malformed line stops the
// reading with its line number and reason.
CoordinateReading ParseCoordinates(const std::string& text, CoordinateFormat format, int imageHeight);

} // namespace gc
