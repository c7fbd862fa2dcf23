// A binary output of Convert written whole or not at all: a C file opened under the temporary name of
// its PendingFile and renamed over its final name only once it is closed without error. Until then,
// and whatever ends the operation early, nothing appears under the final name.
#pragma once

#include "core/FileHandles.h"
#include "core/PendingFile.h"

#include <cstdio>
#include <string>

namespace gc {

class PendingOutput {
public:
    // Creates the temporary for `finalPath` ("wb"); false (errno set) when it cannot.
    bool Open(const std::string& finalPath);
    std::FILE* get() const { return m_file.get(); }
    explicit operator bool() const { return static_cast<bool>(m_file); }
    const std::string& FinalPath() const { return m_pending.FinalPath(); }
    const std::string& TemporaryPath() const { return m_pending.TemporaryPath(); }

    // Closes the file and renames it over the final name; false (errno set, temporary removed) when
    // the close or the rename fails.
    bool Commit();

private:
    PendingFile m_pending;
    FileHandle m_file;
};

// The system's reason for `error` (strerror), or "unknown error" when no reason was recorded.
std::string SystemReason(int error);

} // namespace gc
