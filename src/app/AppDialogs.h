// The dialogs behind the application's commands: "Preset Run Parameters" (FView), "Transmittivity
// to OD - MRC Output" (FConvert) and "Set pick mode and mask size..." (CPickMask). Each attaches
// itself to the application's dialog hooks; the dialog runs through the application's dialog runner
// with the main window as its parent.
#pragma once

namespace gc {

class TIFFApp;

void AttachFView(TIFFApp& app);
void AttachFConvert(TIFFApp& app);
void AttachCPickMask(TIFFApp& app);

inline void AttachDialogs(TIFFApp& app) {
    AttachFView(app);
    AttachFConvert(app);
    AttachCPickMask(app);
}

} // namespace gc
