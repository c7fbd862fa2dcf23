// The command table of the main window: every menu entry, key and toolbar button with its
// identifier, entry text, key, toolbar position, status-bar prompt, tooltip, whether it refuses to
// act while a Run is in progress, and the member of Application that carries it out. The frame
// builds its menus, toolbar and keys from it; the application connects each entry's action to its
// handler.
#pragma once

#include <span>
#include <string>

namespace gc {

class Application;

// Command identifiers. Code names them; only this list gives their numbers.
enum CommandId : int {
    ID_FILE_PRESET_RUN_PARAMETERS = 32779,
    ID_FILE_RUN = 32778,
    ID_FILE_OPEN = 57601,
    ID_FILE_SAVE = 57603,
    ID_FILE_SAVE_AS = 57604,
    ID_FILE_PRINT = 57607,
    ID_FILE_PRINT_PREVIEW = 57609,
    ID_FILE_PRINT_SETUP = 57606,
    ID_FILE_PROPERTIES = 32773,
    ID_APP_EXIT = 57665,
    ID_TOOLS_CONVERT_TO_PDF = 32771,
    ID_TOOLS_TRANSMITTIVITY_TO_OD = 32781,
    ID_TOOLS_SET_PICK_MODE = 32782,
    ID_TOOLS_PREVIEW_PLACEMENTS = 32787,
    ID_TOOLS_WRITE_MRC2014 = 32788,
    ID_VIEW_TOOLBAR = 59392,
    ID_VIEW_STATUS_BAR = 59393,
    ID_VIEW_IMAGE_LIST = 32772,
    ID_HELP_CONTENTS = 32776,
    ID_APP_ABOUT = 57664,
    ID_ZOOM_IN = 32784,
    ID_ZOOM_OUT = 32785,
    ID_RESET_ZOOM = 32786,
    ID_NEXT_PANE = 57680,
    ID_PREV_PANE = 57681,
    // The viewer's own commands.
    ID_VIEW_FIT_TO_WINDOW = 32800,
    ID_VIEW_ACTUAL_SIZE = 32801,
    ID_VIEW_AUTO_CONTRAST = 32802,
    ID_TOOLS_UNDO_LAST_PICK = 32803,
    ID_VIEW_LOW_PASS = 32804,
    ID_VIEW_CONTRAST = 32805,
    ID_TOOLS_SUGGEST_PICKS = 32806,
};

// A place in the toolbar's layout that holds a separator rather than a button.
inline constexpr CommandId TOOLBAR_SEPARATOR = CommandId{0};

enum class CommandMenu { None, File, Tools, View, Help };

// A command's work: a member of Application taking no arguments.
using CommandHandler = void (Application::*)();

struct CommandEntry {
    CommandId m_id;
    CommandMenu m_menu;
    const char* m_szText; // entry text with "&" access letter and "\t" before the key; "" when not in a menu
    const char* m_szKey;  // key in QKeySequence's portable form; "" when none
    int m_nToolbarPosition;   // 1-based place among the toolbar buttons; 0 when not on the toolbar
    const char* m_szPrompt;   // status-bar prompt; "" when none
    const char* m_szTip;      // toolbar tooltip; "" when none
    bool m_bRefusesDuringRun; // while a Run is in progress: "Running ... Wait!" instead of the handler
    bool m_bSeparatorAfter;   // a menu separator follows the entry
    CommandHandler m_handler;
    // Runs before the busy test, so also when the command then refuses; nullptr for most commands.
    CommandHandler m_beforeBusyTest = nullptr;
};

// The tooltip of a toolbar button: the name its menu shows (no access letter, no "...") or, for a
// button without a menu entry, its tip, and its key in parentheses: "Preset Run Parameters (Ctrl+N)",
// "About Filmsplice", "Zoom In (I)".
std::string ToolTipText(const CommandEntry& entry);

// Every command, menu entries in menu order.
std::span<const CommandEntry> CommandTable();
const CommandEntry* FindCommand(CommandId id);

// The menu bar's titles, in order.
inline constexpr const char* MENU_FILE = "&File";
inline constexpr const char* MENU_TOOLS = "&Tools";
inline constexpr const char* MENU_VIEW = "&View";
inline constexpr const char* MENU_HELP = "&Help";
const char* MenuTitle(CommandMenu menu);

// The toolbar's buttons and separators (TOOLBAR_SEPARATOR) in order.
std::span<const CommandId> ToolbarLayout();

} // namespace gc
