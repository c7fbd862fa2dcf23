#include "forms/ConvertCutForm.h"

#include "convert/GainTable.h"
#include "convert/NumberText.h"
#include "convert/OutputNames.h"
#include "forms/OutputReport.h"

namespace gc {

int BinSizeOfIndex(int binIndex) {
    return binIndex >= 1 && binIndex <= 3 ? binIndex + 1 : 0;
}

ConvertCutForm::ConvertCutForm(Messages& messages, Progress& progress)
    : m_dGain(DEFAULT_GAIN_SETTING.gain), m_dA(DEFAULT_GAIN_SETTING.a), m_dX0(DEFAULT_GAIN_SETTING.x0),
      m_dY0(DEFAULT_GAIN_SETTING.y0), m_messages(messages), m_progress(progress) {
    RefreshFields();
}

void ConvertCutForm::OnLoadTiffFiles(TiffFileChooser& chooser) {
    const std::optional<std::vector<std::string>> chosen = chooser.ChooseTiffFiles();
    if (chosen && !chosen->empty())
        LoadTiffFiles(*chosen);
}

bool ConvertCutForm::LoadTiffFiles(const std::vector<std::string>& paths) {
    if (paths.size() > static_cast<std::size_t>(MAX_TIFF_FILES)) {
        m_messages.Warning(MSG_MORE_THAN_100_FILES);
        return false;
    }
    if (paths.empty())
        return false;
    m_strTiffFiles = paths;
    m_nTiffCount = static_cast<int>(paths.size());
    m_bTiffLoaded = true;
    return true;
}

void ConvertCutForm::OnSelchangeGain(int index) {
    const bool row = index >= 0 && index < GAIN_COUNT;
    const GainSetting& setting = row ? GAIN_TABLE[static_cast<std::size_t>(index)] : DEFAULT_GAIN_SETTING;
    m_nGainSelection = row ? index : NO_SELECTION;
    m_dGain = setting.gain;
    m_dA = setting.a;
    m_dX0 = setting.x0;
    m_dY0 = setting.y0;
    const FitTexts texts = FitTextsOfGain(m_nGainSelection);
    m_strA = texts.a;
    m_strX0 = texts.x0;
    m_strY0 = texts.y0;
}

void ConvertCutForm::OnSelchangeBinSize(int index) {
    m_nBinSelection = index;
    m_nBinIndex = index >= 1 && index <= 3 ? index : 0;
}

void ConvertCutForm::OnSelchangeOutputFormat(int index) {
    m_nFormatSelection = index;
    m_nOutputFormat =
        index == OUTPUT_FORMAT_8_BIT || index == OUTPUT_FORMAT_16_BIT ? index : OUTPUT_FORMAT_AUTO;
}

void ConvertCutForm::OnOutputNegative() {
    m_bNegative = !m_bNegative;
    m_bNegativeChecked = m_bNegative;
}

void ConvertCutForm::OnDisplayStatistics() {
    m_bStatistics = !m_bStatistics;
    m_bStatisticsChecked = m_bStatistics;
}

void ConvertCutForm::OnSetDefaultParameters() {
    m_nBinSelection = 0;
    m_nBinIndex = 0;
    m_nFormatSelection = 0;
    m_nOutputFormat = OUTPUT_FORMAT_AUTO;
    m_bNegative = false;
    m_dGain = DEFAULT_GAIN_SETTING.gain;
    m_dA = DEFAULT_GAIN_SETTING.a;
    m_dX0 = DEFAULT_GAIN_SETTING.x0;
    m_dY0 = DEFAULT_GAIN_SETTING.y0;
    m_nGainSelection = DEFAULT_GAIN_INDEX;
    RefreshFields();
}

void ConvertCutForm::OnLoadLastRun() {
    if (!m_bTiffLoaded) {
        m_messages.Warning(MSG_LOAD_TIFF_FIRST);
        return;
    }
    const LastRunValues values = LoadLastRun(m_strLastRunPath, m_messages);
    if (values.m_dGain) {
        // The list shows the GAIN; the constants come from the file, not from the table.
        m_nGainSelection = values.m_nGainIndex;
        m_dGain = *values.m_dGain;
    }
    if (values.m_dA)
        m_dA = *values.m_dA;
    if (values.m_dX0)
        m_dX0 = *values.m_dX0;
    if (values.m_dY0)
        m_dY0 = *values.m_dY0;
    RefreshFields();
}

ConvertOutcome ConvertCutForm::OnConvert() {
    ConvertSettings settings;
    if (!ReadFitConstants(m_strA, m_strX0, m_strY0, FIT_LOWER_LIMIT, FIT_UPPER_LIMIT, settings.m_fit,
                          m_messages))
        return ConvertOutcome::Refused;
    const std::vector<std::string> files = LoadedFiles();
    if (files.empty()) {
        m_messages.Warning(MSG_LOAD_VALID_TIFF_FIRST);
        return ConvertOutcome::Refused;
    }
    settings.m_dGain = m_dGain;
    settings.m_nBinSize = BinSizeOfIndex(m_nBinIndex);
    settings.m_nOutputFormat = m_nOutputFormat;
    settings.m_bNegative = m_bNegative;
    settings.m_bStatistics = m_bStatistics;
    settings.mrc.style = m_mrcStyle;
    std::vector<std::string> outputs;
    for (const std::string& file : files) {
        outputs.push_back(OdFileName(file));
        if (settings.m_nBinSize > 0)
            outputs.push_back(OdBinnedFileName(file, settings.m_nBinSize));
    }
    const OutputReport report(outputs);
    if (!MayReplace(report.Existing(), m_pQuestions))
        return ConvertOutcome::Refused;
    DoneReportMessages messages(m_messages, report);
    Messages& shown = m_pQuestions != nullptr ? static_cast<Messages&>(messages) : m_messages;
    const ConvertOutcome outcome = ConvertFiles(files, settings, m_strLastRunPath, shown, m_progress);
    // Auto is decided by the first file converted and holds while the list shows "Auto".
    m_nOutputFormat = settings.m_nOutputFormat;
    return outcome;
}

ConvertOutcome ConvertCutForm::OnCut() {
    const std::vector<std::string> files = LoadedFiles();
    std::vector<std::string> outputs;
    for (std::size_t i = 0; i < files.size(); ++i)
        outputs.push_back(CutFileName(files[i], static_cast<int>(i)));
    const OutputReport report(outputs);
    if (!MayReplace(report.Existing(), m_pQuestions))
        return ConvertOutcome::Refused;
    DoneReportMessages messages(m_messages, report);
    Messages& shown = m_pQuestions != nullptr ? static_cast<Messages&>(messages) : m_messages;
    return CutFromTexts(files, {m_strCutStartX, m_strCutStartY, m_strCutEndX, m_strCutEndY}, m_bStatistics,
                        shown, m_progress);
}

std::vector<std::string> ConvertCutForm::LoadedFiles() const {
    if (!m_bTiffLoaded)
        return {};
    return {m_strTiffFiles.begin(), m_strTiffFiles.begin() + m_nTiffCount};
}

void ConvertCutForm::RefreshFields() {
    const FitTexts texts = FitTextsOf(m_dA, m_dX0, m_dY0);
    m_strA = texts.a;
    m_strX0 = texts.x0;
    m_strY0 = texts.y0;
    m_bNegativeChecked = m_bNegative;
    m_bStatisticsChecked = m_bStatistics;
    m_strCutStartX = std::to_string(m_nCutStartX);
    m_strCutStartY = std::to_string(m_nCutStartY);
    m_strCutEndX = std::to_string(m_nCutEndX);
    m_strCutEndY = std::to_string(m_nCutEndY);
}

} // namespace gc
