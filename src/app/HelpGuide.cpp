#include "HelpGuide.h"

#include "AppMessages.h"

#include <algorithm>
#include <filesystem>

namespace gc {

HelpGuide FindHelpGuide(const std::vector<std::string>& folders) {
    namespace fs = std::filesystem;
    std::error_code error;
    HelpGuide guide;
    for (const std::string& each : folders) {
        const fs::path folder = fs::absolute(each, error).lexically_normal();
        for (const auto& [name, found] :
             {std::pair{HELP_DOCUMENT_HTML, &guide.m_strHtml}, std::pair{HELP_DOCUMENT, &guide.m_strRtf}}) {
            const fs::path path = folder / name;
            guide.m_lookedFor.push_back(path.string());
            if (found->empty() && fs::is_regular_file(path, error))
                *found = path.string();
        }
    }
    return guide;
}

std::vector<std::string> HelpFolders(const std::string& installed) {
    std::vector<std::string> folders;
    std::error_code error;
    for (std::string folder : {installed,
#ifdef GRIDCARVER_GUIDE_FOLDER
                               std::string(GRIDCARVER_GUIDE_FOLDER),
#endif
                               std::filesystem::current_path(error).string()}) {
        if (folder.empty())
            continue;
        folder = std::filesystem::absolute(folder, error).lexically_normal().string();
        if (std::find(folders.begin(), folders.end(), folder) == folders.end())
            folders.push_back(folder);
    }
    return folders;
}

} // namespace gc
