// The reason Convert and Cut show after a failed read or write.
#pragma once

#include <string>

namespace gc {

// The system's reason for `error` (strerror), or "unknown error" when no reason was recorded.
std::string SystemReason(int error);

} // namespace gc
