// FileMapping: a whole file mapped read-only into memory, so that its pages are read from disk (or
// the page cache) only when they are first touched. Unmapped when the object goes.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace gc {

class FileMapping {
public:
    // The file at `path` mapped; nullptr when it cannot be opened, is empty or cannot be mapped.
    static std::shared_ptr<const FileMapping> Open(const std::string& path);

    FileMapping(const FileMapping&) = delete;
    FileMapping& operator=(const FileMapping&) = delete;
    ~FileMapping();

    const unsigned char* Data() const { return m_pData; }
    std::size_t Size() const { return m_nSize; }
    // Gives the touched pages of [offset, offset + length) back to the system: the process stops
    // counting them, the page cache keeps them, and the next touch maps them in again.
    void Release(std::size_t offset, std::size_t length) const;

private:
    FileMapping(const unsigned char* data, std::size_t size) : m_pData(data), m_nSize(size) {}
    const unsigned char* m_pData;
    std::size_t m_nSize;
};

} // namespace gc
