// Names of the files Convert and Cut write, made from the input path at the first "." of its file
// name (the part after the last "/"; a dot in a folder name is never used).
#pragma once

#include <string>

namespace gc {

// "/scans/plate7.tif" → "/scans/plate7.mrc"; a name without a dot gets ".mrc" appended.
std::string OdFileName(const std::string& inputPath);
// "/scans/plate7.tif", bin size 2 → "/scans/plate7_2_bin.mrc".
std::string OdBinnedFileName(const std::string& inputPath, int binSize);
// "/scans/plate7.tif", index 0 → "/scans/plate7_Cut_0.tif".
std::string CutFileName(const std::string& inputPath, int fileIndex);

} // namespace gc
