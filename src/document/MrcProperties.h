// The MRC properties report: the header fields of an MRC file, read afresh from the file, one line
// per field, in the manner of the TIFF report (TiffPropertiesText joins either).
#pragma once

#include "core/GrowArray.h"

#include <string>

namespace gc {

// Appends the report lines of the file's header to `lines`: NX NY NZ, MODE and its name, CELLA,
// CELLB, DMIN, DMAX, DMEAN, RMS, NSYMBT, NLABL and each label in use (NLABL taken between 0 and
// 10; characters that cannot be printed shown as '?'). Appends nothing when the file cannot be
// opened or is shorter than a header.
void FormatMrcProperties(const std::string& path, GrowArray<std::string>& lines);

// The whole properties text of an MRC file from its header and labels alone: the data are never
// read, so a file of any size, or one cut short after its header, is described. False when the file
// has no header of a positive size (NX, NY, NZ ≥ 1); `sections` is then 0, else NZ.
bool MrcHeaderPropertiesText(const std::string& path, std::string& text, int& sections);

// The name MRC_MODE_NAMES gives a mode (with its leading blank); empty for other modes.
const char* MrcModeName(int mode);

} // namespace gc
