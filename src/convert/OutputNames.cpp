#include "OutputNames.h"

#include "ConvertMessages.h"
#include "core/PathStem.h"

namespace gc {

std::string OdFileName(const std::string& inputPath) {
    const auto dot = FirstDotOfFileName(inputPath);
    if (dot == std::string::npos)
        return inputPath + "." + OD_EXTENSION;
    return inputPath.substr(0, dot + 1) + OD_EXTENSION;
}

std::string OdBinnedFileName(const std::string& inputPath, int binSize) {
    const char* suffix = binSize == 2   ? OD_BINNED_SUFFIX_2
                         : binSize == 3 ? OD_BINNED_SUFFIX_3
                                        : OD_BINNED_SUFFIX_4;
    return inputPath.substr(0, FirstDotOfFileName(inputPath)) + suffix;
}

std::string CutFileName(const std::string& inputPath, int fileIndex) {
    const auto dot = FirstDotOfFileName(inputPath);
    const std::string word = CUT_NAME_WORD + std::to_string(fileIndex);
    if (dot == std::string::npos)
        return inputPath + word;
    return inputPath.substr(0, dot) + word + inputPath.substr(dot);
}

} // namespace gc
