#include "OutputNames.h"

#include "SplitMessages.h"

#include <cstdlib>

namespace gc {

ImageName MrcNameOf(const ImageName& name) {
    if (name.m_nDot == std::string::npos)
        return {name.m_strPath + "." + MRC_EXTENSION, name.m_strPath.size()};
    return {name.m_strPath.substr(0, name.m_nDot + 1) + MRC_EXTENSION, name.m_nDot};
}

ImageName BinnedNameOf(const ImageName& name, int binning) {
    const char* suffix = binning == 2 ? BINNED_SUFFIX_2 : (binning == 3 ? BINNED_SUFFIX_3 : BINNED_SUFFIX_4);
    const std::string text = suffix;
    // Before the first "." of the file name, even when the append string put one ahead of the
    // extension: the numbers after it keep the names apart.
    const std::size_t firstDot = FirstDotOfFileName(name.m_strPath);
    if (firstDot == std::string::npos)
        return {name.m_strPath + text, std::string::npos};
    std::string path = name.m_strPath;
    path.insert(firstDot, text);
    return {path, name.m_nDot == std::string::npos ? name.m_nDot : name.m_nDot + text.size()};
}

OutputNamer::OutputNamer(const RunSettings& parameters)
    : m_nNextNumber(std::atoi(parameters.m_strStartNumber.c_str())), m_nAppendCounter(0),
      m_bAppendString(parameters.m_bAppendString), m_bStartNumber(parameters.m_bStartNumber),
      m_bOutputDir(parameters.m_bOutputDir), m_strAppendString(parameters.m_strAppendString),
      m_strOutputDir(parameters.m_strOutputDir) {}

ImageName OutputNamer::MakeImageName(const std::string& inputPath, int image) {
    std::string name = inputPath;
    const std::size_t stemStart = FileNameStart(name);
    std::size_t dot = FirstDotOfFileName(name);
    const std::size_t insertAt = dot == std::string::npos ? name.size() : dot;

    if (!m_bAppendString && !m_bStartNumber) {
        const std::string suffix = "_" + std::to_string(image);
        name.insert(insertAt, suffix);
        dot = dot == std::string::npos ? dot : dot + suffix.size();
    } else if (!m_bAppendString && m_bStartNumber) {
        const std::string suffix = "_" + std::to_string(m_nNextNumber++);
        name.insert(insertAt, suffix);
        dot = dot == std::string::npos ? dot : dot + suffix.size();
    } else {
        // The file name's stem is replaced; folder and extension stay.
        std::string stem;
        if (!m_bStartNumber)
            stem = m_strAppendString + "_" + std::to_string(++m_nAppendCounter);
        else
            stem = m_strAppendString + "_" + std::to_string(m_nNextNumber++);
        name.replace(stemStart, insertAt - stemStart, stem);
        dot = dot == std::string::npos ? dot : stemStart + stem.size();
    }

    if (m_bOutputDir) {
        // The file name moves into the output folder.
        const std::size_t fileStart = FileNameStart(name);
        const std::string fileName = name.substr(fileStart);
        if (dot != std::string::npos)
            dot = dot - fileStart + m_strOutputDir.size();
        name = m_strOutputDir + fileName;
    }
    return {name, dot};
}

} // namespace gc
