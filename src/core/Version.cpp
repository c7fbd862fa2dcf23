#include "Version.h"

namespace gc {
const char* ProductVersionText() {
    return "Gridcarver Version 1.0";
}
const char* VersionNumber() {
    return "1.0";
}
} // namespace gc
