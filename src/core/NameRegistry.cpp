#include "NameRegistry.h"

#include <filesystem>
#include <system_error>

namespace gc {

std::string RegisteredName(const std::string& path) {
    namespace fs = std::filesystem;
    if (path.empty())
        return {};
    std::error_code error;
    fs::path absolute = fs::absolute(path, error);
    if (error)
        absolute = fs::path(path);
    const fs::path name = absolute.filename();
    if (name.empty() || name == "." || name == "..") {
        // A folder name: resolved whole.
        const fs::path resolved = fs::weakly_canonical(absolute, error);
        return (error ? absolute : resolved).lexically_normal().string();
    }
    // The folder as it is on disk (links resolved, "." and ".." taken as the file system takes them);
    // the file name as written, since replacing a link replaces the link, not the file it leads to.
    const fs::path folder = fs::weakly_canonical(absolute.parent_path(), error);
    return ((error ? absolute.parent_path() : folder) / name).lexically_normal().string();
}

void NameRegistry::AddInput(const std::string& path) {
    if (path.empty())
        return;
    m_inputs.insert(RegisteredName(path));
    std::error_code error;
    const std::filesystem::path target = std::filesystem::canonical(path, error);
    if (!error)
        m_inputs.insert(target.string());
}

void NameRegistry::AddOutput(const std::string& path) {
    if (!path.empty())
        m_outputs.insert(RegisteredName(path));
}

NameClash NameRegistry::ClashOf(const std::string& path) const {
    const std::string name = RegisteredName(path);
    if (m_inputs.count(name))
        return NameClash::Input;
    if (m_outputs.count(name))
        return NameClash::Output;
    return NameClash::None;
}

NameClash NameRegistry::Claim(const std::string& path) {
    const NameClash clash = ClashOf(path);
    if (clash == NameClash::None)
        AddOutput(path);
    return clash;
}

NameClash NameRegistry::ClaimAll(const std::vector<std::string>& paths, std::string& clashing) {
    std::set<std::string> claimed;
    for (const std::string& path : paths) {
        if (path.empty())
            continue;
        NameClash clash = ClashOf(path);
        // Two names of the same item that are one file clash with each other.
        if (clash == NameClash::None && !claimed.insert(RegisteredName(path)).second)
            clash = NameClash::Output;
        if (clash != NameClash::None) {
            clashing = path;
            return clash;
        }
    }
    for (const std::string& path : paths)
        AddOutput(path);
    return NameClash::None;
}

} // namespace gc
