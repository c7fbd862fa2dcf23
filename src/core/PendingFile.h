// An output written whole or not at all. The file is written under a temporary name in the folder of
// its final name (so the rename never crosses a file system), unique to this process; Commit renames
// it over the final name, bytes unchanged. A PendingFile that goes without Commit removes its
// temporary, so a failed write, a fatal stop or an interruption leaves no partial file under a final
// name and no temporary behind.
#pragma once

#include <cstddef>
#include <string>

namespace gc {

class PendingFile {
public:
    PendingFile() = default;
    // Chooses the temporary name for `finalPath`; creates nothing.
    explicit PendingFile(std::string finalPath);
    ~PendingFile();
    PendingFile(PendingFile&& other) noexcept;
    PendingFile& operator=(PendingFile&& other) noexcept;
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // The name to create and write: "<folder>/.<file name>.gc-<pid>-<n>.tmp".
    const std::string& TemporaryPath() const { return m_temporary; }
    const std::string& FinalPath() const { return m_final; }

    // Renames the temporary over the final name. False (errno set, temporary removed) on failure.
    bool Commit();
    // Removes the temporary if it is still pending.
    void Discard();

private:
    std::string m_final;
    std::string m_temporary;
};

// Writes `size` bytes as the whole file `path` through a PendingFile. False with `error` ("writing
// <path>: <reason>") when it cannot; nothing is then left under `path` or a temporary name.
bool WriteWholeFile(const std::string& path, const void* data, std::size_t size, std::string& error);

// The temporary name PendingFile would choose next for `finalPath` is in the same folder and starts
// with "." followed by the final file name; this tells whether `fileName` (no folder) is such a name.
bool IsPendingFileName(const std::string& fileName);

} // namespace gc
