// Where Help ▸ Help Contents finds the user guide: beside the program's data (the package installs
// it in <prefix>/share/doc/gridcarver), then in the working directory. The HTML guide is preferred;
// the RTF guide is the fallback.
#pragma once

#include <string>

namespace gc {

struct HelpGuide {
    std::string m_strHtml; // the HTML guide found, or empty
    std::string m_strRtf;  // the RTF guide found in the data folder, else "index.rtf" (working directory)
};

HelpGuide FindHelpGuide(const std::string& dataFolder);

} // namespace gc
