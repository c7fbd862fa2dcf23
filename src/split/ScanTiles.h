// Reads the decoded tiles of one scan. The scan is opened once per Run (Open); the descriptor is kept
// and every reader of that Run reads through it. A libtiff handle is not thread-safe: every thread
// that reads tiles takes a reader of its own (Reader), its own library handle over the same
// descriptor, reading with pread at its own position. Nothing is memory-mapped, so a scan that
// shrinks while it is read gives failed reads, never a bus error; and a scan replaced under its name
// while it is read is not seen, so no output mixes two files. Changed tells whether the open scan's
// size or modification time moved since it was opened.
#pragma once

#include "core/TiffHandle.h"

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <sys/types.h>
#include <tiffio.h>

namespace gc {

// The scan's descriptor, shared by every reader of it, and what it was when opened.
struct OpenScan {
    int fd = -1;
    off_t size = 0;
    timespec modified{};
    OpenScan() = default;
    ~OpenScan();
    OpenScan(const OpenScan&) = delete;
    OpenScan& operator=(const OpenScan&) = delete;
};

// The state the file procedures of one library handle see.
struct ScanPosition {
    const OpenScan* scan = nullptr;
    off_t position = 0;
};

class ScanTiles {
public:
    // Opens `path`; nullptr when it cannot be opened (the library's errors have been reported).
    static std::unique_ptr<ScanTiles> Open(const std::string& path);
    ScanTiles() = default; // not open; use Open
    ~ScanTiles();
    ScanTiles(const ScanTiles&) = delete;
    ScanTiles& operator=(const ScanTiles&) = delete;

    // Another reader of the same open scan, for another thread; nullptr when the library refuses it
    // (its errors have been reported).
    std::unique_ptr<ScanTiles> Reader() const;

    TIFF* Handle() const { return m_tiff.get(); }
    const std::string& Path() const { return path; }
    // The detail line of a tile that cannot be read: "reading <path>: tile <n> cannot be read", or,
    // when the scan changed since it was opened, what changed (Changed).
    std::string UnreadableTile(int tile) const;
    // Decodes tile `tile` into `buffer` (`size` bytes, the scan's tile size); false on failure.
    bool ReadTile(std::uint32_t tile, unsigned char* buffer, std::size_t size);
    // "" while the open scan has the size and modification time it had when opened; otherwise the
    // detail line of the change ("reading <path>: the scan shrank while it was read", or "… changed …").
    std::string Changed() const;

private:
    static std::unique_ptr<ScanTiles> Over(std::shared_ptr<const OpenScan> scan, const std::string& path);

    std::shared_ptr<const OpenScan> m_scan;
    // The file procedures' state; must outlive m_tiff, whose close uses it.
    ScanPosition m_position;
    std::string path;
    TiffHandle m_tiff;
};

} // namespace gc
