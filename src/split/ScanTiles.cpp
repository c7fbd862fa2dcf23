#include "ScanTiles.h"

#include "SplitMessages.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace gc {
namespace {

// The file procedures of TIFFClientOpen: reads with pread at the handle's own position on the shared
// descriptor, so several handles read one open scan at once.
ScanPosition& Of(thandle_t handle) {
    return *static_cast<ScanPosition*>(handle);
}

tmsize_t ReadProcedure(thandle_t handle, void* buffer, tmsize_t size) {
    if (size < 0)
        return -1;
    ScanPosition& at = Of(handle);
    std::size_t done = 0;
    ssize_t count = -1;
    while (done < static_cast<std::size_t>(size)) {
        count = ::pread(at.scan->fd, static_cast<char*>(buffer) + done, static_cast<std::size_t>(size) - done,
                        at.position + static_cast<off_t>(done));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            break;
        done += static_cast<std::size_t>(count);
    }
    at.position += static_cast<off_t>(done);
    return count < 0 ? -1 : static_cast<tmsize_t>(done);
}

tmsize_t WriteProcedure(thandle_t, void*, tmsize_t) {
    errno = EBADF;
    return -1;
}

toff_t SizeProcedure(thandle_t handle) {
    struct stat status;
    return ::fstat(Of(handle).scan->fd, &status) < 0 ? 0 : static_cast<toff_t>(status.st_size);
}

toff_t SeekProcedure(thandle_t handle, toff_t offset, int whence) {
    ScanPosition& at = Of(handle);
    const off_t distance = static_cast<off_t>(offset);
    off_t base = 0;
    if (whence == SEEK_CUR)
        base = at.position;
    else if (whence == SEEK_END)
        base = static_cast<off_t>(SizeProcedure(handle));
    if ((whence == SEEK_SET && static_cast<toff_t>(distance) != offset) ||
        (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END)) {
        errno = EINVAL;
        return static_cast<toff_t>(-1);
    }
    const off_t target = base + distance;
    if (target < 0) {
        errno = EINVAL;
        return static_cast<toff_t>(-1);
    }
    at.position = target;
    return static_cast<toff_t>(target);
}

int CloseProcedure(thandle_t) {
    return 0; // the descriptor belongs to the OpenScan
}

int MapProcedure(thandle_t, void**, toff_t*) {
    return 0;
}

void UnmapProcedure(thandle_t, void*, toff_t) {}

} // namespace

OpenScan::~OpenScan() {
    if (fd >= 0)
        ::close(fd);
}

std::unique_ptr<ScanTiles> ScanTiles::Open(const std::string& path) {
    auto scan = std::make_shared<OpenScan>();
    scan->fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat status;
    if (scan->fd < 0 || ::fstat(scan->fd, &status) != 0) {
        // The text TIFFOpen gives for a file it cannot open.
        if (errno > 0 && std::strerror(errno) != nullptr)
            TIFFErrorExt(nullptr, "TIFFOpen", "%s: %s", path.c_str(), std::strerror(errno));
        else
            TIFFErrorExt(nullptr, "TIFFOpen", "%s: Cannot open", path.c_str());
        return nullptr;
    }
    scan->size = status.st_size;
    scan->modified = status.st_mtim;
    return Over(std::move(scan), path);
}

std::unique_ptr<ScanTiles> ScanTiles::Over(std::shared_ptr<const OpenScan> scan, const std::string& path) {
    auto tiles = std::make_unique<ScanTiles>();
    tiles->path = path;
    tiles->m_scan = std::move(scan);
    tiles->m_position.scan = tiles->m_scan.get();
    // "m": never mapped.
    tiles->m_tiff.reset(TIFFClientOpen(path.c_str(), "rm", &tiles->m_position, ReadProcedure, WriteProcedure,
                                       SeekProcedure, CloseProcedure, SizeProcedure, MapProcedure,
                                       UnmapProcedure));
    if (!tiles->m_tiff)
        return nullptr;
    return tiles;
}

std::unique_ptr<ScanTiles> ScanTiles::Reader() const {
    return Over(m_scan, path);
}

ScanTiles::~ScanTiles() {
    m_tiff.reset();
}

std::string ScanTiles::UnreadableTile(int tile) const {
    if (std::string changed = Changed(); !changed.empty())
        return changed;
    char text[64];
    std::snprintf(text, sizeof text, DETAIL_TILE_UNREADABLE, tile);
    return DETAIL_READING + path + text;
}

bool ScanTiles::ReadTile(std::uint32_t tile, unsigned char* buffer, std::size_t size) {
    // The whole tile; its size given (rather than -1) lets the library decode straight into the buffer.
    return TIFFReadEncodedTile(m_tiff.get(), tile, buffer, static_cast<tmsize_t>(size)) != -1;
}

std::string ScanTiles::Changed() const {
    struct stat status;
    if (!m_scan || ::fstat(m_scan->fd, &status) != 0)
        return {};
    if (status.st_size < m_scan->size)
        return DETAIL_READING + path + DETAIL_SCAN_SHRANK;
    if (status.st_size != m_scan->size || status.st_mtim.tv_sec != m_scan->modified.tv_sec ||
        status.st_mtim.tv_nsec != m_scan->modified.tv_nsec)
        return DETAIL_READING + path + DETAIL_SCAN_CHANGED;
    return {};
}

} // namespace gc
