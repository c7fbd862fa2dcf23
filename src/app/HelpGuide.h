// Where Help ▸ Help Contents finds the user guide: in each folder of a list in turn (the installed
// guide in <prefix>/share/doc/gridcarver, the guide beside the build, the working directory). The
// HTML guide is preferred; the RTF guide is the fallback. Every path is absolute, so the browser gets
// a whole file:/// address, and the paths looked at are kept to name them when no guide is found.
#pragma once

#include <string>
#include <vector>

namespace gc {

struct HelpGuide {
    std::string m_strHtml;                // the first HTML guide found, or empty
    std::string m_strRtf;                 // the first RTF guide found, or empty
    std::vector<std::string> m_lookedFor; // every path looked at, in order
};

HelpGuide FindHelpGuide(const std::vector<std::string>& folders);

// The folders Help looks in: `installed`, the source folder the program was built from (when known),
// then the working directory; empty entries and repeats left out.
std::vector<std::string> HelpFolders(const std::string& installed);

} // namespace gc
