// Pick coordinate files: the saved picks as an EMAN2 box file and a RELION STAR file beside the MRC
// boxes, and the centres read back from a .box, .star or two-column .csv file.
//
// Our centres are image pixels with (0, 0) at the top-left pixel and y growing downwards. The files
// count rows as the programs that read the micrograph do (RowOrder):
// - an MRC micrograph is read with its rows as stored, the first row at y = 0;
// - a TIFF, JPEG or BMP micrograph is read bottom-up (RELION, EMAN2, IMOD and MotionCor2 read TIFF
//   rows that way), the last row at y = 0.
// For a box of side S (half = S/2 in integer division, the same half a box as the box cut out of the
// image) around (x, y) in an image H rows high:
// - EMAN2 .box: one line per box, tab-separated: x and y of the box's lower-left corner, then its
//   width and height: x − half, then y − half (MRC) or H − (y − half + S) (bottom-up), S, S.
// - RELION .star: a data_ block holding a loop of _rlnCoordinateX and _rlnCoordinateY, the box centres:
//   x, then y (MRC) or H − y − (S − 2·half) (bottom-up: H − y for an even S, H − 1 − y for an odd one),
//   the row that RELION's extraction takes as the centre of the same box.
// - .csv: "x,y" per line in our own coordinates; a first line that holds no numbers is a header.
// Reading turns each file back by the same rule, so a file written here gives the same centres.
#pragma once

#include "PickState.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace gc {

enum class CoordinateFormat { EmanBox, RelionStar, Csv };

// How the readers of a micrograph count its rows.
enum class RowOrder {
    AsStored, // an MRC micrograph: the first row stored is y = 0
    BottomUp, // a TIFF, JPEG or BMP micrograph: the last row is y = 0
};

// The micrograph a coordinate file belongs to: its height, the side of the boxes and its row order.
struct CoordinateFrame {
    int m_nImageHeight = 0;
    int m_nBoxSize = 0;
    RowOrder m_rows = RowOrder::BottomUp;
};

// Names beside the opened image: its path cut at the last "." of its file name (the whole name when it
// has none), then "_picks.box" or "_picks.star".
std::string PickBoxFileName(const std::string& openFilePath);
std::string PickStarFileName(const std::string& openFilePath);

// The text of each file for `centres`.
std::string EmanBoxText(const std::vector<PickPoint>& centres, const CoordinateFrame& frame);
std::string RelionStarText(const std::vector<PickPoint>& centres, const CoordinateFrame& frame);

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

// Reads the centres from the text of a coordinate file, turned into our top-down centres by `frame`
// (a .box line gives its own box size; a .star file takes the frame's). Every number must be a whole
// number; the first malformed line stops the reading with its line number and reason.
CoordinateReading ParseCoordinates(const std::string& text, CoordinateFormat format,
                                   const CoordinateFrame& frame);

} // namespace gc
