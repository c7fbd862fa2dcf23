// The desktop program's SettingsStore: QSettings (the per-user settings of the organisation and
// program named in main), or memory when the program has no organisation name (the tests), so that
// nothing leaks between test runs or into the user's settings.
#pragma once

#include "forms/SettingsStore.h"

#include <memory>

namespace gc {

std::unique_ptr<SettingsStore> MakeProgramSettings();

} // namespace gc
