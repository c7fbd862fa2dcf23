#include "CommandTable.h"

#include "Application.h"

#include <array>

namespace gc {
namespace {

constexpr std::array<CommandEntry, 32> COMMANDS{{
    {ID_FILE_PRESET_RUN_PARAMETERS, CommandMenu::File, "&Preset Run Parameters\tCtrl+N", "Ctrl+N", 1,
     "Set Run Parameters", "Preset Run Parameters", true, false, &Application::OnPresetRunParameters},
    {ID_FILE_RUN, CommandMenu::File, "&Run\tCtrl+R", "Ctrl+R", 0,
     "Run the Gridcarver Application Using the Run Parameters", " Run Step", true, false,
     &Application::OnRun},
    {ID_FILE_OPEN, CommandMenu::File, "&Open...\tCtrl+O", "Ctrl+O", 2, "Open an existing document", "Open",
     false, false, &Application::OnFileOpen},
    {ID_FILE_SAVE, CommandMenu::File, "&Save\tCtrl+S", "Ctrl+S", 3, "Save the active document", "Save", false,
     false, &Application::OnFileSave},
    {ID_FILE_SAVE_AS, CommandMenu::File, "Save &As...", "", 0, "Save the active document with a new name",
     "Save As", false, true, &Application::OnFileSaveAs},
    {ID_FILE_PRINT, CommandMenu::File, "&Print...\tCtrl+P", "Ctrl+P", 4, "Print the active document", "Print",
     false, false, &Application::OnFilePrint},
    {ID_FILE_PRINT_PREVIEW, CommandMenu::File, "Print Pre&view", "", 0, "Display full pages", "Print Preview",
     false, false, &Application::OnFilePrintPreview},
    {ID_FILE_PRINT_SETUP, CommandMenu::File, "P&rint Setup...", "", 0,
     "Change the printer and printing options", "Print Setup", false, true, &Application::OnFilePrintSetup},
    {ID_FILE_PROPERTIES, CommandMenu::File, "&Properties", "", 0, "", "", false, true,
     &Application::OnProperties},
    {ID_APP_EXIT, CommandMenu::File, "E&xit", "", 0, "Quit the application; prompts to save documents",
     "Exit", false, false, &Application::OnAppExit},
    {ID_TOOLS_CONVERT_TO_PDF, CommandMenu::Tools, "Convert to PDF", "", 0,
     "Convert open TIFF image file to PDF", "", false, false, &Application::OnConvertToPdf},
    {ID_TOOLS_TRANSMITTIVITY_TO_OD, CommandMenu::Tools, "Transmittivity to OD - MRC Output", "", 0,
     "Convert open TIFF image file to MRC in OD format", "", true, false, &Application::OnTransmittivityToOD},
    {ID_TOOLS_SET_PICK_MODE, CommandMenu::Tools, "Set pick mode and mask size...", "", 0, "", "", false,
     false, &Application::OnSetPickMode, &Application::ClearPickState},
    {ID_TOOLS_SUGGEST_PICKS, CommandMenu::Tools, "Suggest Picks...", "", 0,
     "Find particles of a given diameter and review them on the image as picks", "", false, false,
     &Application::OnSuggestPicks},
    {ID_TOOLS_PREVIEW_PLACEMENTS, CommandMenu::Tools, "Preview Placements", "", 0,
     "Find the images of the chosen scans without writing any file, and show where they lie", "", true, false,
     &Application::OnPreviewPlacements},
    {ID_TOOLS_WRITE_MRC2014, CommandMenu::Tools, "Write MRC2014 Files", "", 0,
     "Write MRC files with MRC2014 headers (the Run's images as unsigned 16-bit)", "", true, false,
     &Application::OnWriteMrc2014},
    {ID_TOOLS_UNDO_LAST_PICK, CommandMenu::Tools, "Undo Last Pick\tCtrl+Z", "Ctrl+Z", 0,
     "Remove the last box picked and not yet saved", "", false, false, &Application::OnUndoLastPick},
    {ID_VIEW_TOOLBAR, CommandMenu::View, "&Toolbar", "", 0, "Show or hide the toolbar", "Toggle ToolBar",
     false, false, &Application::OnViewToolbar},
    {ID_VIEW_STATUS_BAR, CommandMenu::View, "&Status Bar", "", 0, "Show or hide the status bar",
     "Toggle StatusBar", false, false, &Application::OnViewStatusBar},
    {ID_VIEW_IMAGE_LIST, CommandMenu::View, "Image List", "", 0, "", "", false, false,
     &Application::OnImageList},
    {ID_VIEW_FIT_TO_WINDOW, CommandMenu::View, "&Fit to Window\tCtrl+0", "Ctrl+0", 9,
     "Show the whole image in the window", "Fit to Window", false, false, &Application::OnFitToWindow},
    {ID_VIEW_ACTUAL_SIZE, CommandMenu::View, "&Actual Size\tCtrl+1", "Ctrl+1", 10,
     "Show the image one screen pixel per image pixel", "Actual Size", false, false,
     &Application::OnActualSize},
    {ID_VIEW_AUTO_CONTRAST, CommandMenu::View, "Auto &Contrast", "", 0,
     "Stretch the display between the 0.5 % and 99.5 % levels; files and picks are unchanged", "", false,
     false, &Application::OnAutoContrast},
    {ID_VIEW_CONTRAST, CommandMenu::View, "C&ontrast Panel", "", 0,
     "Show the histogram with the black and white levels and invert; files and picks are unchanged", "",
     false, false, &Application::OnContrastPanel},
    {ID_VIEW_LOW_PASS, CommandMenu::View, "&Low-pass...", "", 0,
     "Smooth the display with a Gaussian to see faint particles; files and picks are unchanged", "", false,
     false, &Application::OnLowPass},
    {ID_HELP_CONTENTS, CommandMenu::Help, "&Help Contents ...\tCtrl+H", "Ctrl+H", 0,
     "Display Help for Gridcarver application", "", false, false, &Application::OnHelpContents},
    {ID_APP_ABOUT, CommandMenu::Help, "&About Filmsplice...", "", 5,
     "Display program information, version number and copyright", "About Filmsplice", false, false,
     &Application::OnAppAbout},
    {ID_ZOOM_IN, CommandMenu::None, "", "I", 6, "Resize Image - Zoom In", "Zoom In", false, false,
     &Application::OnZoomIn},
    {ID_ZOOM_OUT, CommandMenu::None, "", "O", 7, "Resize Image - Zoom Out", "Zoom Out", false, false,
     &Application::OnZoomOut},
    {ID_RESET_ZOOM, CommandMenu::None, "", "R", 8, "Reset Zoom", "Reset Zoom", false, false,
     &Application::OnResetZoom},
    {ID_NEXT_PANE, CommandMenu::None, "", "F6", 0, "Switch to the next window pane", "Next Pane", false,
     false, &Application::OnSwitchPane},
    {ID_PREV_PANE, CommandMenu::None, "", "Shift+F6", 0, "Switch back to the previous window pane",
     "Previous Pane", false, false, &Application::OnSwitchPane},
}};

constexpr std::array<CommandId, 13> TOOLBAR{
    ID_FILE_PRESET_RUN_PARAMETERS,
    ID_FILE_OPEN,
    ID_FILE_SAVE,
    TOOLBAR_SEPARATOR,
    ID_FILE_PRINT,
    TOOLBAR_SEPARATOR,
    ID_APP_ABOUT,
    TOOLBAR_SEPARATOR,
    ID_ZOOM_IN,
    ID_ZOOM_OUT,
    ID_RESET_ZOOM,
    ID_VIEW_FIT_TO_WINDOW,
    ID_VIEW_ACTUAL_SIZE,
};

} // namespace

std::span<const CommandEntry> CommandTable() {
    return COMMANDS;
}

const CommandEntry* FindCommand(CommandId id) {
    for (const CommandEntry& entry : COMMANDS)
        if (entry.m_id == id)
            return &entry;
    return nullptr;
}

std::string ToolTipText(const CommandEntry& entry) {
    std::string name = entry.m_szText;
    name = name.substr(0, name.find('\t'));
    std::erase(name, '&');
    while (!name.empty() && (name.back() == '.' || name.back() == ' '))
        name.pop_back();
    if (name.empty())
        name = entry.m_szTip;
    if (*entry.m_szKey != '\0')
        name += std::string(" (") + entry.m_szKey + ")";
    return name;
}

const char* MenuTitle(CommandMenu menu) {
    switch (menu) {
    case CommandMenu::File:
        return MENU_FILE;
    case CommandMenu::Tools:
        return MENU_TOOLS;
    case CommandMenu::View:
        return MENU_VIEW;
    case CommandMenu::Help:
        return MENU_HELP;
    case CommandMenu::None:
        break;
    }
    return "";
}

std::span<const CommandId> ToolbarLayout() {
    return TOOLBAR;
}

} // namespace gc
