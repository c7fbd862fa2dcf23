// An output written whole or not at all. The file is written under a temporary name in the folder of
// its final name (so the rename never crosses a file system), unique to this process; Commit renames
// it over the final name, bytes unchanged. A PendingFile that goes without Commit removes its
// temporary, so a failed write, a fatal stop or an interruption leaves no partial file under a final
// name and no temporary behind.
//
// The temporary is created by Create, never by opening its name: it is made new (O_EXCL) and a
// symbolic link planted under its name is refused (O_NOFOLLOW), so in a folder others may write to
// nobody can make the output land in a file of their choosing. Its name carries a random part, and
// its stem is shortened where the whole name would pass the file system's limit (the final name is
// never changed). Renaming over a final name that is a symbolic link replaces the link itself.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdio>
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

    // The name the temporary has (or will have once created):
    // "<folder>/.<file name>.gc-<host>-<pid>-<random>.tmp", the file name shortened if need be.
    const std::string& TemporaryPath() const { return m_temporary; }
    const std::string& FinalPath() const { return m_final; }

    // Creates the temporary for writing (O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode 0666 less
    // the umask), under a new random name while the chosen one exists. Returns the descriptor (the
    // caller's to close) or -1 with errno set.
    int Create();
    // Create, then the descriptor as a C stream in `mode` ("wb" or "w"); nullptr with errno set.
    std::FILE* CreateStream(const char* mode = "wb");

    // Renames the temporary over the final name. False (errno set, temporary removed) on failure.
    bool Commit();
    // Closes `stream` (from CreateStream) and, when that succeeds, commits. False with errno set and
    // the temporary removed when the close or the rename fails.
    bool CloseAndCommit(std::FILE* stream);
    // Removes the temporary if it is still pending.
    void Discard();

private:
    void ChooseTemporary();

    std::string m_final;
    std::string m_temporary;
    int m_nSlot = -1; // the place of the temporary in the list a second stop signal removes
};

// Writes `size` bytes as the whole file `path` through a PendingFile. False with `error` ("writing
// <path>: <reason>") when it cannot; nothing is then left under `path` or a temporary name.
bool WriteWholeFile(const std::string& path, const void* data, std::size_t size, std::string& error);

// The temporary name PendingFile would choose next for `finalPath` is in the same folder and starts
// with "." followed by the final file name; this tells whether `fileName` (no folder) is such a name.
bool IsPendingFileName(const std::string& fileName);

// How long a temporary must have gone unwritten before another process may take it for abandoned.
inline constexpr std::chrono::minutes TEMPORARY_GRACE{30};

// Removes the temporaries of PendingFiles in `folder` ("" is the working folder) that are provably
// abandoned (a process killed outright cannot remove its own): made on this host (its name says so),
// by a process of this user that no longer runs, and unwritten for TEMPORARY_GRACE. Folders shared
// between machines or PID namespaces hold live temporaries whose process this one cannot see; those
// are kept. With `finalName`, only the temporaries of that file name. Returns how many were removed.
int RemoveStaleTemporaries(const std::string& folder, const std::string& finalName = {});

// Removes every temporary still pending in this process. Only async-signal-safe calls: for a stop
// signal's handler that ends the program at once.
void RemovePendingTemporariesNow() noexcept;

// True when an existing file at `path` (not a symbolic link) is read-only: it has no write permission
// for anyone, or this process may not write it. A missing file or a link is not.
bool IsReadOnlyFile(const std::string& path);

} // namespace gc
