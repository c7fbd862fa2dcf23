// The names one operation reads and writes (a Run, a convert or cut batch, a pick save), so that no
// file it writes replaces one of its inputs or another of its own outputs. Every name is kept in one
// absolute, normalised form made from the working folder when it is registered: the folder part is
// resolved through symbolic links as far as it exists, the file name is kept as written. That form is
// the same before and after the file exists, so a name checked before anything is written compares
// equal to the same name given in any other spelling ("s.tif", "./s.tif", "/scans/s.tif").
#pragma once

#include <set>
#include <string>
#include <vector>

namespace gc {

enum class NameClash {
    None,
    Input,  // the name is an input of the operation
    Output, // the operation has already written (or planned) a file of that name
};

// The absolute, normalised form of `path` described above; empty for an empty path.
std::string RegisteredName(const std::string& path);

class NameRegistry {
public:
    // An input: its own name and, when it is a symbolic link, the file it leads to.
    void AddInput(const std::string& path);
    void AddOutput(const std::string& path);
    // Whether writing `path` would replace an input or an earlier output.
    NameClash ClashOf(const std::string& path) const;
    // ClashOf, then AddOutput when there is no clash.
    NameClash Claim(const std::string& path);
    // The outputs of one item written together (an image and its binned copy): all are claimed, or
    // none when one of them clashes; `clashing` then names the first that does. Empty names are left out.
    NameClash ClaimAll(const std::vector<std::string>& paths, std::string& clashing);

private:
    std::set<std::string> m_inputs;
    std::set<std::string> m_outputs;
};

} // namespace gc
