// Reads the decoded tiles of one scan. A libtiff handle is not thread-safe: every thread that reads
// tiles opens a ScanTiles of its own.
//
// Mapped (the default) opens the scan as TIFFOpen (mode "r") opens it, the file memory-mapped, so the
// library reads tiles and reports their failures exactly as it does there; the mapped pages of decoded
// tiles are given back as the reading goes on, so the memory in use does not grow with the scan's
// size. Streamed reads the tiles with plain reads instead: the threads of the one pass over a scan
// use it, since giving back mapped pages while other threads of the process read costs every thread
// a flush of its address translations; a tile that fails there is read once more through a mapped
// reader, for the library's own messages.
#pragma once

#include "core/TiffHandle.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <tiffio.h>

namespace gc {

// An open scan file and its read-only mapping, as the file procedures of a ScanTiles see it.
struct MappedFile {
    int fd = -1;
    void* base = nullptr;
    std::size_t size = 0;
};

class ScanTiles {
public:
    // Opens `path`; nullptr when it cannot be opened (the library's errors have been reported).
    enum class Access { Mapped, Streamed };
    static std::unique_ptr<ScanTiles> Open(const std::string& path, Access access = Access::Mapped);
    ScanTiles() = default; // not open; use Open
    ~ScanTiles();
    ScanTiles(const ScanTiles&) = delete;
    ScanTiles& operator=(const ScanTiles&) = delete;

    TIFF* Handle() const { return m_tiff.get(); }
    const std::string& Path() const { return path; }
    // The detail line of a tile that cannot be read: "reading <path>: tile <n> cannot be read".
    std::string UnreadableTile(int tile) const;
    // Decodes tile `tile` into `buffer` (`size` bytes, the scan's tile size); false on failure.
    bool ReadTile(std::uint32_t tile, unsigned char* buffer, std::size_t size);
    // Gives back every mapped page read so far.
    void GiveBackAll();

private:
    void GiveBack(std::uint32_t tile);

    // Mapped pages are given back after this many bytes of tiles have been read.
    static constexpr std::uint64_t GIVE_BACK_BYTES = std::uint64_t{4} << 20;

    // The file procedures' state; must outlive m_tiff, whose close uses it.
    MappedFile m_file;
    std::uint64_t m_nReadSinceGiveBack = 0;
    std::string path;
    TiffHandle m_tiff;
};

} // namespace gc
