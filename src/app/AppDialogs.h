// The dialogs behind the application's commands: "Preset Run Parameters" (RunParametersDialog),
// "Transmittivity to OD - MRC Output" (ConvertCutDialog) and "Set pick mode and mask size..."
// (PickSettingsDialog). Each attaches itself to the application's dialog hooks; the dialog runs through the
// application's dialog runner with the main window as its parent.
#pragma once

namespace gc {

class Application;

void AttachRunParametersDialog(Application& app);
void AttachConvertCutDialog(Application& app);
void AttachPickSettingsDialog(Application& app);

inline void AttachDialogs(Application& app) {
    AttachRunParametersDialog(app);
    AttachConvertCutDialog(app);
    AttachPickSettingsDialog(app);
}

} // namespace gc
