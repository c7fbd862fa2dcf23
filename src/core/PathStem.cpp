#include "core/PathStem.h"

namespace gc {

std::size_t FileNameStart(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? 0 : slash + 1;
}

std::size_t FirstDotOfFileName(const std::string& path) {
    return path.find('.', FileNameStart(path));
}

std::size_t LastDotOfFileName(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    return dot == std::string::npos || dot < FileNameStart(path) ? std::string::npos : dot;
}

std::string StemToFirstDot(const std::string& path) {
    return path.substr(0, FirstDotOfFileName(path));
}

std::string StemToLastDot(const std::string& path) {
    return path.substr(0, LastDotOfFileName(path));
}

} // namespace gc
