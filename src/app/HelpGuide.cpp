#include "HelpGuide.h"

#include "AppMessages.h"

#include <filesystem>

namespace gc {

HelpGuide FindHelpGuide(const std::string& dataFolder) {
    namespace fs = std::filesystem;
    std::error_code error;
    auto exists = [&error](const fs::path& path) { return fs::is_regular_file(path, error); };
    HelpGuide guide;
    const fs::path folder = fs::path(dataFolder).lexically_normal();
    for (const fs::path& html : {folder / HELP_DOCUMENT_HTML, fs::path(HELP_DOCUMENT_HTML)})
        if (!dataFolder.empty() || html.is_relative())
            if (exists(html)) {
                guide.m_strHtml = html.string();
                break;
            }
    const fs::path rtf = folder / HELP_DOCUMENT;
    guide.m_strRtf = (!dataFolder.empty() && exists(rtf)) ? rtf.string() : std::string(HELP_DOCUMENT);
    return guide;
}

} // namespace gc
