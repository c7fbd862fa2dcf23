// Runs the built gridcarver-cli (GC_CLI) in a test's folder, as a user would from a shell there, and
// keeps its exit status, standard output and standard error.
#pragma once

#include "support/TestSupport.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace gc::test {

struct CliRun {
    int m_nStatus = -1;
    std::string m_strOut, m_strErr;
};

// The whole content of `path` (empty when it cannot be read).
inline std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The names of the files in `folder`, sorted.
inline std::vector<std::string> FilesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const std::filesystem::directory_entry& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The lines of `text`, without their line ends.
inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Runs `prefix` 'gridcarver-cli' `arguments` (a shell command line, quoted by the caller) in `folder`.
inline CliRun RunCliIn(const TempDir& folder, const std::string& arguments, const std::string& prefix = "") {
    CliRun run;
    const std::string errors = folder.File("stderr.txt");
    run.m_nStatus = RunCommand("cd '" + folder.Path().string() + "' && " + prefix + "'" + GC_CLI + "' " +
                                   arguments + " 2>'" + errors + "'",
                               &run.m_strOut);
    run.m_strErr = ReadText(errors);
    std::filesystem::remove(errors);
    return run;
}

// Runs `prefix` 'gridcarver-cli split' `arguments` in `folder`.
inline CliRun SplitIn(const TempDir& folder, const std::string& arguments, const std::string& prefix = "") {
    return RunCliIn(folder, "split " + arguments, prefix);
}

} // namespace gc::test
