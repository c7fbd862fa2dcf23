#include "Result.h"

#include <cstring>

namespace gc {

std::string ReasonText(const std::string& what, const std::string& detail, int error) {
    if (what.empty() && error == 0)
        return detail;
    return what + ": " + (error != 0 || detail.empty() ? std::string(std::strerror(error)) : detail);
}

} // namespace gc
