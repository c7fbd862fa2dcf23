// Owning holder of an open C file: the file is closed when its holder goes. Callers that must know
// whether the close succeeded release the handle and close it themselves.
#pragma once

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <string>
#include <unistd.h>

namespace gc {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Opens `path` for writing from its start, as fopen(path, "wb") does, but never through a symbolic
// link: the writers that open by name are given PendingFile temporaries, which stay the files they are.
inline std::FILE* OpenForWriting(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        return nullptr;
    std::FILE* file = ::fdopen(fd, "wb");
    if (file == nullptr) {
        const int error = errno;
        ::close(fd);
        errno = error;
    }
    return file;
}

} // namespace gc
