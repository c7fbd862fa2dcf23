#pragma once

namespace gc {
// "Gridcarver Version 1.0": the product name and version shown by the About box and --version.
const char* ProductVersionText();
const char* VersionNumber();
} // namespace gc
