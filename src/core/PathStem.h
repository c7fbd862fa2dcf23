// Parts of a path's file name (the part after the last "/"): where it starts, its first and last
// ".", and the path cut at either. Output names are made from these: the Run, Convert and the pick
// boxes cut at the first ".", the pick coordinate files at the last one.
#pragma once

#include <cstddef>
#include <string>

namespace gc {

// Position of the file name's first character (0 when the path holds no "/").
std::size_t FileNameStart(const std::string& path);
// Position of the first or the last "." of the file name, or npos when it has none.
std::size_t FirstDotOfFileName(const std::string& path);
std::size_t LastDotOfFileName(const std::string& path);
// The path up to (not including) the first or the last "." of its file name; the whole path when
// the file name has none.
std::string StemToFirstDot(const std::string& path);
std::string StemToLastDot(const std::string& path);

} // namespace gc
