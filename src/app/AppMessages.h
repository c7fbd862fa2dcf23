// Texts of the desktop program's shell: window titles, status bar, the busy refusal, the About box,
// the progress window and the file choosers' filters.
#pragma once

namespace gc {

inline constexpr const char* APP_TITLE = "Gridcarver";
inline constexpr const char* STATUS_READY = "Ready";
inline constexpr const char* INDICATOR_CAPS = "CAP";
inline constexpr const char* INDICATOR_NUM = "NUM";
inline constexpr const char* INDICATOR_SCROLL = "SCRL";

// Start-up with a file name on the command line that cannot be read (followed by the name).
inline constexpr const char* MSG_CANNOT_OPEN_ARGUMENT = "gridcarver: cannot open ";

inline constexpr const char* ABOUT_CAPTION = "About Filmsplice";
inline constexpr const char* ABOUT_AUTHOR_LINE = "Copyright (C) 2026 the Gridcarver developers";
inline constexpr const char* PROGRESS_CAPTION = "Run Progress Indicator...";

// External programs: the help viewer (opens the help document) and the PDF converter.
inline constexpr const char* HELP_VIEWER = "xdg-open";
inline constexpr const char* HELP_DOCUMENT = "index.rtf";
inline constexpr int HELP_WAIT_MILLISECONDS = 1000;
// Help Contents when the viewer is missing or fails within its wait (followed by the guide's path).
inline constexpr const char* MSG_HELP_NOT_OPENED = "No program could open the user guide ";
inline constexpr const char* PDF_CONVERTER = "tiff2pdf";
inline constexpr const char* PDF_TIFF_SUFFIX = "_pdf.tif";
inline constexpr const char* PDF_SUFFIX = ".pdf";

} // namespace gc
