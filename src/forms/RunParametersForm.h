// RunParametersForm: the rules of the "Set Run Parameters" dialog (RunParametersDialog) as plain code. Every
// handler changes the Run's RunSettings the way the dialog's control does and clears the saved mark of
// the dialog's RunDialogState; the window only wires its widgets to these handlers. File and folder choosers
// come in through RunFileChooser, messages through Messages, so tests can script both.
#pragma once

#include "core/DialogSelection.h"
#include "core/Messages.h"
#include "forms/SettingsStore.h"
#include "split/RunSettings.h"

#include <optional>
#include <string>
#include <vector>

namespace gc {

inline constexpr int RUN_PARAMETERS_END_CODE = 131; // the dialog's end code after a successful save

// What the desktop knows about the Run's settings beside their values: whether files were chosen and
// the settings saved since the dialog last changed them, and whether a Run (or a preview) is in
// progress.
struct RunDialogState {
    bool m_bFilesLoaded = false;
    bool m_bSaved = false;
    bool m_bRunning = false;
};

// The rule of the commands that start a Run or a preview: false (after "Running ... Wait!") while one
// is in progress, false (after the "not saved" warning) until the settings are saved.
bool MayStartRun(const RunDialogState& state, Messages& messages);

// Marks a Run (or a preview) in progress for its lifetime or until Clear(): commands that must not
// interrupt it refuse meanwhile, in message boxes shown during it too.
class BusyFlag {
public:
    explicit BusyFlag(RunDialogState& state) : m_state(state) { m_state.m_bRunning = true; }
    ~BusyFlag() { Clear(); }
    void Clear() { m_state.m_bRunning = false; }
    BusyFlag(const BusyFlag&) = delete;
    BusyFlag& operator=(const BusyFlag&) = delete;

private:
    RunDialogState& m_state;
};

class RunFileChooser {
public:
    virtual ~RunFileChooser() = default;
    // An open-file chooser with `filter`, several files when `multiple`. The paths in the order the
    // chooser returns them, or nothing on Cancel.
    virtual std::optional<std::vector<std::string>> ChooseInputFiles(bool multiple,
                                                                     const std::string& filter) = 0;
    // A folder chooser titled `title`. The folder's file-system path (no trailing "/"), or nothing on
    // Cancel or when the chosen item has no file-system path.
    virtual std::optional<std::string> ChooseFolder(const std::string& title) = 0;
    // The folder the next chooser opens in (empty: the chooser's own choice).
    virtual void StartIn(const std::string& /*folder*/) {}
};

// The item each combo box shows; NO_SELECTION until the user picks one or presses the default button.
struct RunParametersSelection {
    int m_nImageCountIndex = NO_SELECTION;
    int m_nHeightIndex = NO_SELECTION;
    int m_nWidthIndex = NO_SELECTION;
    int m_nBinningIndex = NO_SELECTION;
    int m_nFinderIndex = 0; // always shown: the classic search until the user picks the sheet finder
};

class RunParametersForm {
public:
    // Opening the dialog resets the settings to their start-up values, except the path list and the
    // MRC style, and clears the saved mark (the running mark is not touched); scans chosen earlier
    // stay chosen. With `memory`, the parameters last saved there are taken instead of the start-up
    // values (and their lists show them), the file chooser opens in the folder of the last scans, and
    // a successful save is remembered there.
    RunParametersForm(RunSettings& parameters, RunDialogState& state, RunFileChooser& chooser,
                      Messages& messages, SettingsStore* memory = nullptr);

    // "Preset Run Parameters": false (after "Running ... Wait!") while a Run is in progress.
    static bool MayOpen(const RunDialogState& state, Messages& messages);

    void OnSelchangeImageCount(int index);
    void OnSelchangeHeight(int index);
    void OnSelchangeWidth(int index);
    void OnSelchangeBinning(int index);
    // The item of RUN_PARAMETERS_FINDER_ITEMS: 0 the classic search, 1 the sheet finder.
    void OnSelchangeFinder(int index);
    void OnDefaultSettings();
    void OnOutputTiff();
    void OnBatchMode();
    void OnAppendString();
    void OnStartNumber();
    // The deskew box: only with the sheet finder (choosing the classic search clears it).
    void OnDeskew();
    // Ticking the box opens the folder chooser (in the folder chosen before); a cancelled chooser
    // leaves the box clear unless a folder was chosen before.
    void OnOutputDir();
    // The edit's text as it is when the field loses the focus; returns the value stored.
    const std::string& OnKillfocusAppendString(const std::string& text);
    const std::string& OnKillfocusStartNumber(const std::string& text);
    void OnSelectFiles();
    // True when the parameters were saved and the dialog closes with RUN_PARAMETERS_END_CODE. A ticked
    // output-folder box without a folder is refused (MSG_NO_OUTPUT_FOLDER).
    bool OnSaveParameters();

    // What the dialog lists: the output folder ("(no folder chosen)"), and the scans chosen with
    // their count ("3 scans chosen:"), whole paths in the order they will be split.
    std::string OutputFolderText() const;
    std::string ScanCountText() const;
    std::vector<std::string> ChosenScans() const;

    const RunParametersSelection& Selection() const { return m_selection; }
    const RunSettings& Parameters() const { return m_parameters; }

private:
    void ChangeDone() { m_state.m_bSaved = false; }
    // The folder chooser; true when a folder was chosen.
    bool ChooseOutputFolder();

    RunSettings& m_parameters;
    RunDialogState& m_state;
    RunFileChooser& m_chooser;
    Messages& m_messages;
    SettingsStore* m_pMemory;
    RunParametersSelection m_selection;
};

} // namespace gc
