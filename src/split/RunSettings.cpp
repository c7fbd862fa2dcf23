#include "RunSettings.h"

#include "SplitMessages.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace gc {

std::string BuildRunSummary(const RunSettings& parameters) {
    std::string text;
    if (!parameters.m_bBatchMode) {
        text += SUMMARY_INPUT_FILE;
        text += "\n";
        if (!parameters.m_strInputFiles.empty())
            text += parameters.m_strInputFiles.front();
    } else {
        text += SUMMARY_INPUT_FILES;
        for (const std::string& path : parameters.m_strInputFiles) {
            text += "\n";
            text += path;
        }
    }
    text += "\n";
    text += SUMMARY_IMAGES + std::to_string(parameters.m_nImageCount) + "\n";
    text += SUMMARY_HEIGHT + std::to_string(parameters.m_nHeightCm) + "\n";
    text += SUMMARY_WIDTH + std::to_string(parameters.m_nWidthCm) + "\n";

    if (parameters.m_bAppendString && !parameters.m_bStartNumber)
        text += SUMMARY_FILES_WILL_HAVE + parameters.m_strAppendString + SUMMARY_APPENDED_FROM_ONE + "\n";
    else if (!parameters.m_bAppendString && parameters.m_bStartNumber)
        text += SUMMARY_START_WITH_NUMBER + parameters.m_strStartNumber + SUMMARY_AFTER_FILE_NAME + "\n";
    else if (parameters.m_bAppendString && parameters.m_bStartNumber)
        text += SUMMARY_FILES_WILL_HAVE + parameters.m_strAppendString + SUMMARY_APPENDED_START_WITH +
                parameters.m_strStartNumber + SUMMARY_SPACE_DOT + "\n";

    if (parameters.m_bOutputDir)
        text += SUMMARY_OUTPUT_DIRECTORY + parameters.m_strOutputDir + SUMMARY_SPACE_DOT + "\n";
    text += SUMMARY_NOW_RUN;
    text += "\n";
    text += parameters.m_bOutputTiff ? SUMMARY_TIFF_OUTPUT : SUMMARY_MRC_OUTPUT;
    text += "\n";
    if (parameters.mrc.IsMrc2014() && !parameters.m_bOutputTiff)
        text += std::string(SUMMARY_MRC2014) + "\n";
    if (parameters.mrc.pixelSize > 0)
        text += SUMMARY_PIXEL_SIZE + PixelSizeText(parameters.mrc.pixelSize) + "\n";
    if (parameters.m_finder == ImageFinder::Sheet)
        text += std::string(SUMMARY_SHEET_FINDER) + "\n";
    if (parameters.m_finder == ImageFinder::Sheet && parameters.m_bDeskew)
        text += std::string(SUMMARY_DESKEW) + "\n";
    switch (parameters.m_nBinning) {
    case 2:
        text += SUMMARY_BINNING_2;
        break;
    case 3:
        text += SUMMARY_BINNING_3;
        break;
    case 4:
        text += SUMMARY_BINNING_4;
        break;
    default:
        text += SUMMARY_NO_BINNING;
        break;
    }
    text += "\n";
    return text;
}

std::string AppendStringFromText(const std::string& text) {
    return text.empty() ? EMPTY_APPEND_STRING : text;
}

std::size_t CharacterCount(const std::string& text) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80           ? 1
                                   : (lead >> 5) == 0x6  ? 2
                                   : (lead >> 4) == 0xE  ? 3
                                   : (lead >> 3) == 0x1E ? 4
                                                         : 1;
        std::size_t taken = 1;
        while (taken < length && i + taken < text.size() &&
               (static_cast<unsigned char>(text[i + taken]) & 0xC0) == 0x80)
            ++taken;
        // An incomplete sequence counts its lead byte alone.
        i += taken == length ? length : 1;
        ++count;
    }
    return count;
}

bool AppendStringStaysInFolder(const std::string& text) {
    return text != ".." && text.find('/') == std::string::npos && text.find('\\') == std::string::npos;
}

std::string StartNumberFromText(const std::string& text) {
    return text.empty() ? EMPTY_START_NUMBER : text;
}

std::string OutputFolderFromChosen(const std::string& folder) {
    return folder + '/';
}

} // namespace gc
