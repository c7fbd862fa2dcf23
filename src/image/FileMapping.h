// FileMapping: a whole file mapped read-only into memory, so that its pages are read from disk (or
// the page cache) only when they are first touched. Unmapped when the object goes.
//
// A file made shorter while it is mapped (truncated in place by another program) would end the
// process with SIGBUS at the first touch of a page past its new end. Every mapping is registered
// with a bus-error guard instead: such a page is replaced by a page of zeros, the touch goes on,
// and the mapping remembers that it lost data (Lost), so that whoever reads values for keeps (picked
// boxes, a saved image) can refuse them. A file cut inside its last page raises no bus error (the
// rest of that page reads as zeros), so Lost also compares the file's size with the mapped size. A bus error
// anywhere else goes to the handler that was installed before, or ends the process as it would have.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace gc {

class FileMapping {
public:
    // The file at `path` mapped; nullptr when it cannot be opened, is empty or cannot be mapped (or
    // when more files are mapped at once than the guard can watch).
    static std::shared_ptr<const FileMapping> Open(const std::string& path);

    FileMapping(const FileMapping&) = delete;
    FileMapping& operator=(const FileMapping&) = delete;
    ~FileMapping();

    const unsigned char* Data() const { return m_pData; }
    std::size_t Size() const { return m_nSize; }
    // Gives the touched pages of [offset, offset + length) back to the system: the process stops
    // counting them, the page cache keeps them, and the next touch maps them in again.
    void Release(std::size_t offset, std::size_t length) const;
    // True once a page was found missing from the file and read as zeros, or while the file is
    // shorter than it was when mapped.
    bool Lost() const;

private:
    FileMapping(const unsigned char* data, std::size_t size, int slot, int descriptor)
        : m_pData(data), m_nSize(size), m_nSlot(slot), m_nDescriptor(descriptor) {}
    const unsigned char* m_pData;
    std::size_t m_nSize;
    int m_nSlot;
    int m_nDescriptor; // kept open to ask the file's size
};

} // namespace gc
