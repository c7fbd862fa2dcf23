// Read-only mappings of whole files (see FileMapping.h).
#include "image/FileMapping.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace gc {

std::shared_ptr<const FileMapping> FileMapping::Open(const std::string& path) {
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return nullptr;
    struct stat status {};
    void* data = MAP_FAILED;
    if (::fstat(descriptor, &status) == 0 && status.st_size > 0)
        data =
            ::mmap(nullptr, static_cast<std::size_t>(status.st_size), PROT_READ, MAP_PRIVATE, descriptor, 0);
    // The mapping keeps the file's pages reachable without the descriptor.
    ::close(descriptor);
    if (data == MAP_FAILED)
        return nullptr;
    return std::shared_ptr<const FileMapping>(
        new FileMapping(static_cast<const unsigned char*>(data), static_cast<std::size_t>(status.st_size)));
}

FileMapping::~FileMapping() {
    ::munmap(const_cast<unsigned char*>(m_pData), m_nSize);
}

void FileMapping::Release(std::size_t offset, std::size_t length) const {
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    const std::size_t begin = offset / page * page;
    const std::size_t end = offset + length < m_nSize ? offset + length : m_nSize;
    if (end > begin)
        ::madvise(const_cast<unsigned char*>(m_pData) + begin, end - begin, MADV_DONTNEED);
}

} // namespace gc
