// What the Run dialog remembers between openings and sessions: the parameters last saved with SAVE
// PARAMETERS (image count and size, binning, output format, batch mode, naming, output folder, pixel
// size, image finder) and the folder the last scans were chosen from. A value that the dialog would not offer
// (a stored text edited by hand, or written by another version) is not taken: the field keeps its start-up
// value.
#pragma once

#include "forms/SettingsStore.h"
#include "split/RunSettings.h"

#include <string>
#include <vector>

namespace gc {

void RememberRunSettings(const RunSettings& settings, SettingsStore& store);
// True when saved parameters were found (and the valid ones taken into `settings`).
bool RecallRunSettings(RunSettings& settings, const SettingsStore& store);

// The folder of the first of `scans`, remembered for the next file chooser.
void RememberScanFolder(const std::vector<std::string>& scans, SettingsStore& store);
std::string RememberedScanFolder(const SettingsStore& store);

} // namespace gc
