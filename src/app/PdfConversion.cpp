#include "PdfConversion.h"

#include "AppMessages.h"
#include "ChildProcess.h"

namespace gc {

void SplitPath(const std::string& path, std::string& folder, std::string& baseName, std::string& extension) {
    if (path.empty())
        return;
    std::size_t firstDot = std::string::npos;
    for (std::size_t i = path.size() - 1; i >= 1; --i) {
        if (path[i] == '.') {
            extension = path.substr(i + 1);
            firstDot = i;
        } else if (path[i] == '/') {
            folder = path.substr(0, i);
            baseName =
                firstDot == std::string::npos ? path.substr(i + 1) : path.substr(i + 1, firstDot - i - 1);
            return;
        }
    }
}

bool RunTiff2Pdf(const std::string& tiffName, const std::string& pdfName) {
    ChildProcess process;
    return process.Start(PDF_CONVERTER, {"-o", pdfName, tiffName});
}

} // namespace gc
