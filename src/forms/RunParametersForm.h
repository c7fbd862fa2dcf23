// RunParametersForm: the rules of the "Set Run Parameters" dialog (RunParametersDialog) as plain code. Every
// handler changes the RunParameters record the way the dialog's control does and clears its saved mark; the
// window only wires its widgets to these handlers. File and folder choosers come in through
// RunFileChooser, messages through Messages, so tests can script both.
#pragma once

#include "core/DialogSelection.h"
#include "core/Messages.h"
#include "split/RunParameters.h"

#include <optional>
#include <string>
#include <vector>

namespace gc {

inline constexpr int RUN_PARAMETERS_END_CODE = 131; // the dialog's end code after a successful save

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
};

// The item each combo box shows; NO_SELECTION until the user picks one or presses the default button.
struct RunParametersSelection {
    int m_nImageCountIndex = NO_SELECTION;
    int m_nHeightIndex = NO_SELECTION;
    int m_nWidthIndex = NO_SELECTION;
    int m_nBinningIndex = NO_SELECTION;
};

class RunParametersForm {
public:
    // Opening the dialog resets the record (RunParameters::ResetForDialog).
    RunParametersForm(RunParameters& parameters, RunFileChooser& chooser, Messages& messages);

    // "Preset Run Parameters": false (after "Running ... Wait!") while a Run is in progress.
    static bool MayOpen(const RunParameters& parameters, Messages& messages);

    void OnSelchangeImageCount(int index);
    void OnSelchangeHeight(int index);
    void OnSelchangeWidth(int index);
    void OnSelchangeBinning(int index);
    void OnDefaultSettings();
    void OnOutputTiff();
    void OnBatchMode();
    void OnAppendString();
    void OnStartNumber();
    void OnOutputDir();
    // The edit's text as it is when the field loses the focus; returns the value stored.
    const std::string& OnKillfocusAppendString(const std::string& text);
    const std::string& OnKillfocusStartNumber(const std::string& text);
    void OnSelectFiles();
    // True when the parameters were saved and the dialog closes with RUN_PARAMETERS_END_CODE.
    bool OnSaveParameters();

    const RunParametersSelection& Selection() const { return m_selection; }
    const RunParameters& Parameters() const { return m_parameters; }

private:
    void ChangeDone() { m_parameters.m_bSaved = false; }

    RunParameters& m_parameters;
    RunFileChooser& m_chooser;
    Messages& m_messages;
    RunParametersSelection m_selection;
};

} // namespace gc
