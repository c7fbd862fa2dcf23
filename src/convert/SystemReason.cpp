#include "SystemReason.h"

#include <cstring>

namespace gc {

std::string SystemReason(int error) {
    return error == 0 ? std::string("unknown error") : std::string(std::strerror(error));
}

} // namespace gc
