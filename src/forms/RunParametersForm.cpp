#include "forms/RunParametersForm.h"

#include "forms/RunMemory.h"
#include "split/SplitMessages.h"

namespace gc {

bool MayStartRun(const RunDialogState& state, Messages& messages) {
    if (!RunParametersForm::MayOpen(state, messages))
        return false;
    if (!state.m_bSaved) {
        messages.Warning(MSG_PARAMETERS_NOT_SAVED);
        return false;
    }
    return true;
}

namespace {

// The item of `items` that shows `value`, or NO_SELECTION.
template <std::size_t N> int IndexOf(const char* const (&items)[N], int value) {
    for (std::size_t i = 0; i < N; ++i)
        if (std::to_string(value) == items[i])
            return static_cast<int>(i);
    return NO_SELECTION;
}

} // namespace

RunParametersForm::RunParametersForm(RunSettings& parameters, RunDialogState& state, RunFileChooser& chooser,
                                     Messages& messages, SettingsStore* memory)
    : m_parameters(parameters), m_state(state), m_chooser(chooser), m_messages(messages), m_pMemory(memory) {
    RunSettings start;
    start.m_strInputFiles = std::move(m_parameters.m_strInputFiles);
    start.mrc.style = m_parameters.mrc.style;
    if (m_pMemory != nullptr && RecallRunSettings(start, *m_pMemory))
        m_selection = {IndexOf(RUN_PARAMETERS_IMAGE_COUNT_ITEMS, start.m_nImageCount),
                       IndexOf(RUN_PARAMETERS_HEIGHT_ITEMS, start.m_nHeightCm),
                       IndexOf(RUN_PARAMETERS_WIDTH_ITEMS, start.m_nWidthCm),
                       IndexOf(RUN_PARAMETERS_BINNING_ITEMS, start.m_nBinning),
                       start.m_finder == ImageFinder::Sheet ? 1 : 0};
    m_parameters = std::move(start);
    m_state.m_bFilesLoaded = m_state.m_bFilesLoaded && !m_parameters.m_strInputFiles.empty();
    m_state.m_bSaved = false;
}

bool RunParametersForm::MayOpen(const RunDialogState& state, Messages& messages) {
    if (state.m_bRunning) {
        messages.Warning(MSG_RUNNING_WAIT);
        return false;
    }
    return true;
}

void RunParametersForm::OnSelchangeImageCount(int index) {
    m_selection.m_nImageCountIndex = index;
    m_parameters.m_nImageCount = (index >= 0 && index <= 4) ? index + 1 : 6;
    ChangeDone();
}

void RunParametersForm::OnSelchangeHeight(int index) {
    m_selection.m_nHeightIndex = index;
    m_parameters.m_nHeightCm = index == 0 ? 9 : (index == 2 ? 11 : 10);
    ChangeDone();
}

void RunParametersForm::OnSelchangeWidth(int index) {
    m_selection.m_nWidthIndex = index;
    m_parameters.m_nWidthCm = index == 0 ? 7 : (index == 2 ? 9 : 8);
    ChangeDone();
}

void RunParametersForm::OnSelchangeBinning(int index) {
    static constexpr int BINNING_OF_INDEX[] = {0, 2, 3, 4};
    m_selection.m_nBinningIndex = index;
    if (index >= 0 && index <= 3)
        m_parameters.m_nBinning = BINNING_OF_INDEX[index];
    ChangeDone();
}

void RunParametersForm::OnSelchangeFinder(int index) {
    m_selection.m_nFinderIndex = index == 1 ? 1 : 0;
    m_parameters.m_finder = index == 1 ? ImageFinder::Sheet : ImageFinder::Classic;
    m_parameters.m_bDeskew = m_parameters.m_bDeskew && m_parameters.m_finder == ImageFinder::Sheet;
    ChangeDone();
}

void RunParametersForm::OnDefaultSettings() {
    // The items "6", "10", "8" and "0"; the finder stays as chosen.
    m_selection = {5, 1, 1, 0, m_selection.m_nFinderIndex};
    m_parameters.m_nImageCount = 6;
    m_parameters.m_nHeightCm = 10;
    m_parameters.m_nWidthCm = 8;
    m_parameters.m_nBinning = 0;
    ChangeDone();
}

void RunParametersForm::OnOutputTiff() {
    m_parameters.m_bOutputTiff = !m_parameters.m_bOutputTiff;
    ChangeDone();
}

void RunParametersForm::OnBatchMode() {
    m_parameters.m_bBatchMode = !m_parameters.m_bBatchMode;
    ChangeDone();
}

void RunParametersForm::OnAppendString() {
    m_parameters.m_bAppendString = !m_parameters.m_bAppendString;
    ChangeDone();
}

void RunParametersForm::OnStartNumber() {
    m_parameters.m_bStartNumber = !m_parameters.m_bStartNumber;
    ChangeDone();
}

void RunParametersForm::OnDeskew() {
    m_parameters.m_bDeskew = !m_parameters.m_bDeskew && m_parameters.m_finder == ImageFinder::Sheet;
    ChangeDone();
}

void RunParametersForm::OnOutputDir() {
    m_parameters.m_bOutputDir = !m_parameters.m_bOutputDir;
    if (m_parameters.m_bOutputDir && !ChooseOutputFolder() && m_parameters.m_strOutputDir.empty())
        m_parameters.m_bOutputDir = false;
    ChangeDone();
}

bool RunParametersForm::ChooseOutputFolder() {
    m_chooser.StartIn(m_parameters.m_strOutputDir);
    const auto folder = m_chooser.ChooseFolder(TITLE_PICK_OUTPUT_DIRECTORY);
    if (!folder)
        return false;
    m_messages.Information(*folder + MSG_OUTPUT_DIRECTORY_LOCATION);
    m_parameters.m_strOutputDir = OutputFolderFromChosen(*folder);
    return true;
}

const std::string& RunParametersForm::OnKillfocusAppendString(const std::string& text) {
    m_parameters.m_strAppendString = AppendStringFromText(text);
    ChangeDone();
    return m_parameters.m_strAppendString;
}

const std::string& RunParametersForm::OnKillfocusStartNumber(const std::string& text) {
    m_parameters.m_strStartNumber = StartNumberFromText(text);
    ChangeDone();
    return m_parameters.m_strStartNumber;
}

void RunParametersForm::OnSelectFiles() {
    if (m_pMemory != nullptr)
        m_chooser.StartIn(RememberedScanFolder(*m_pMemory));
    if (m_parameters.m_bBatchMode) {
        const auto paths = m_chooser.ChooseInputFiles(true, FILTER_TIFF_FILES);
        if (paths && paths->size() > static_cast<std::size_t>(MAX_INPUT_FILES)) {
            // The files of the Run become the first ones chosen, as many as before; the loaded mark
            // and the folder step do not change.
            for (std::size_t i = 0; i < m_parameters.m_strInputFiles.size() && i < paths->size(); ++i)
                m_parameters.m_strInputFiles[i] = (*paths)[i];
            m_messages.Warning(MSG_TOO_MANY_INPUT_FILES);
            ChangeDone();
            return;
        }
        if (paths && !paths->empty()) {
            m_parameters.m_strInputFiles = *paths;
            m_state.m_bFilesLoaded = true;
        }
    } else {
        const auto paths = m_chooser.ChooseInputFiles(false, FILTER_TIFF_FILES);
        if (paths && !paths->empty()) {
            m_parameters.m_strInputFiles = {paths->front()};
            m_state.m_bFilesLoaded = true;
        }
    }
    if (m_pMemory != nullptr && m_state.m_bFilesLoaded)
        RememberScanFolder(m_parameters.m_strInputFiles, *m_pMemory);

    if (m_parameters.m_bOutputDir)
        ChooseOutputFolder();
    ChangeDone();
}

bool RunParametersForm::OnSaveParameters() {
    ChangeDone();
    if (!m_state.m_bFilesLoaded) {
        m_messages.Warning(MSG_NO_INPUT_FILES);
        return false;
    }
    if (m_parameters.m_bOutputDir && m_parameters.m_strOutputDir.empty()) {
        m_messages.Warning(MSG_NO_OUTPUT_FOLDER);
        return false;
    }
    m_messages.Information(BuildRunSummary(m_parameters));
    m_state.m_bSaved = true;
    if (m_pMemory != nullptr)
        RememberRunSettings(m_parameters, *m_pMemory);
    return true;
}

std::string RunParametersForm::OutputFolderText() const {
    return m_parameters.m_strOutputDir.empty() ? RUN_PARAMETERS_NO_FOLDER : m_parameters.m_strOutputDir;
}

std::vector<std::string> RunParametersForm::ChosenScans() const {
    return m_state.m_bFilesLoaded ? m_parameters.m_strInputFiles : std::vector<std::string>{};
}

std::string RunParametersForm::ScanCountText() const {
    const std::size_t count = ChosenScans().size();
    if (count == 0)
        return RUN_PARAMETERS_NO_SCANS;
    return count == 1 ? RUN_PARAMETERS_ONE_SCAN : std::to_string(count) + RUN_PARAMETERS_SCANS;
}

} // namespace gc
