// Names of the Run's output files. MakeImageName builds the full-size name of image k of an input
// (start number, append string, output directory, numbering shared by all files of a Run); the MRC
// and binned names are derived from it. Only the file name (the part after the last "/") is ever
// split at a "."; dots in folder names stay where they are.
#pragma once

#include "RunSettings.h"
#include "core/PathStem.h"

#include <cstddef>
#include <string>

namespace gc {

// An output path and the position of the "." that starts the input's extension in it (npos when the
// input's file name has no "."). Names derived from it are cut or extended at that position.
struct ImageName {
    std::string m_strPath;
    std::size_t m_nDot = std::string::npos;
};

// The name cut after its "." followed by "mrc" (plate_1.tif gives plate_1.mrc).
ImageName MrcNameOf(const ImageName& name);
// The name with "_2X2", "_3X3" or "_4X4" inserted before the first "." of its file name
// (plate_1_2X2.mrc), or appended when the file name has none.
ImageName BinnedNameOf(const ImageName& name, int binning);

class OutputNamer {
public:
    // Takes the naming flags, strings and output directory; the next number starts at the decimal
    // value of the start-number text (0 when it is empty or not a number), the append counter at 0.
    explicit OutputNamer(const RunSettings& parameters);

    // Full-size name of image `image` (1..6) of `inputPath`, with the input's extension. Uses up a
    // number when a start number or an append string is in use.
    ImageName MakeImageName(const std::string& inputPath, int image);

    int m_nNextNumber = 0;
    int m_nAppendCounter = 0;

private:
    bool m_bAppendString;
    bool m_bStartNumber;
    bool m_bOutputDir;
    std::string m_strAppendString;
    std::string m_strOutputDir;
};

} // namespace gc
