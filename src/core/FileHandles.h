// Owning holder of an open C file: the file is closed when its holder goes. Callers that must know
// whether the close succeeded release the handle and close it themselves.
#pragma once

#include <cstdio>
#include <memory>

namespace gc {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

} // namespace gc
