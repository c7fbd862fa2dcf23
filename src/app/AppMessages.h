// Texts of the desktop program's shell: window titles, status bar, the busy refusal, the About box,
// the progress window and the file choosers' filters.
#pragma once

#include "document/DocumentMessages.h"

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
// The main window closed while a Run works.
inline constexpr const char* MSG_QUIT_DURING_RUN =
    "A Run is in progress. Stop it and quit once it has stopped? The files it has written stay.";

// External programs: the help viewer (opens the help document) and the PDF converter.
inline constexpr const char* HELP_VIEWER = "xdg-open";
inline constexpr const char* HELP_DOCUMENT = "index.rtf";
inline constexpr int HELP_WAIT_MILLISECONDS = 1000;
// Help Contents when the viewer is missing or fails within its wait (followed by the guide's path).
inline constexpr const char* MSG_HELP_NOT_OPENED = "No program could open the user guide ";
// Help Contents when no guide is found (followed by the paths looked at, one a line).
inline constexpr const char* MSG_HELP_NOT_FOUND = "The user guide was not found. Looked for:";
inline constexpr const char* PDF_CONVERTER = "tiff2pdf";
inline constexpr const char* PDF_TIFF_SUFFIX = "_pdf.tif";
inline constexpr const char* PDF_SUFFIX = ".pdf";
// Convert to PDF: the save chooser's one entry, and what the user is told once the converter ends.
inline constexpr FileFilterEntry PDF_FILTERS[] = {{"PDF File (*.pdf)", "*.pdf", ".pdf"}};
inline constexpr const char* STATUS_PDF_WRITTEN = "PDF written: %1";
inline constexpr const char* MSG_PDF_NOT_WRITTEN = "The PDF was not written: ";
inline constexpr const char* MSG_PDF_CONVERTER_MISSING =
    "The PDF converter tiff2pdf could not be started (it comes with libtiff-tools). The PDF was not "
    "written: ";

// The viewer's commands and status panes.
inline constexpr const char* MSG_FIT_HINT = "Ctrl+0 fits the image to the window";
inline constexpr const char* MENU_OPEN_RECENT = "Open &Recent";
inline constexpr int RECENT_FILE_COUNT = 8;
inline constexpr const char* SETTINGS_RECENT_FILES = "recentFiles";
inline constexpr const char* SETTINGS_WINDOW_GEOMETRY = "windowGeometry";
inline constexpr const char* SETTINGS_WINDOW_STATE = "windowState";
// View ▸ Low-pass...: the question and its unit.
inline constexpr const char* LOW_PASS_CAPTION = "Low-pass";
inline constexpr const char* LOW_PASS_ANGSTROM = "Gaussian width in \u00c5 (0 switches the filter off):";
inline constexpr const char* LOW_PASS_PIXELS = "Gaussian width in pixels (0 switches the filter off):";
inline constexpr const char* CONTRAST_CAPTION = "Contrast";
inline constexpr const char* CONTRAST_INVERT = "Invert";
inline constexpr const char* CONTRAST_AUTO = "Auto";
// The open chooser's first entry: every name the viewer reads.
inline constexpr const char* ALL_SUPPORTED_DESCRIPTION = "All Supported Files";
inline constexpr const char* ALL_SUPPORTED_PATTERNS =
    "*.bmp;*.jpg;*.jpeg;*.tif;*.tiff;*.mrc;*.mrcs;*.map;*.st;*.rec;*.ali";
// Picking in the status bar: the mode with box size and count, and where saved boxes went.
inline constexpr const char* STATUS_PICK_MODE = "Pick mode: %1 px boxes, %2 picked";
inline constexpr const char* STATUS_PICKS_SAVED = "Saved in %1: %2";
// Asked before another image replaces one with unsaved picks: "Save the picks of plate7.tif?".
inline constexpr const char* QUESTION_SAVE_PICKS_OF = "Save the picks of ";
inline constexpr const char* QUESTION_SAVE_PICKS_END = "?";

// Help: the guide's names, looked for beside the program's data, then in the working folder.
inline constexpr const char* HELP_DOCUMENT_HTML = "index.html";
inline constexpr const char* HELP_DATA_FOLDER = "/../share/doc/gridcarver";

} // namespace gc
