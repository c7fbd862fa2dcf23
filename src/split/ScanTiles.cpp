#include "ScanTiles.h"

#include "SplitMessages.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace gc {
namespace {

// The file procedures of TIFFClientOpen: plain reads and seeks, and a read-only shared mapping of the
// whole file, as the library's own Unix procedures do. They are ours only to know the mapping's
// address, so that the pages of decoded tiles can be given back.
MappedFile& Of(thandle_t handle) {
    return *static_cast<MappedFile*>(handle);
}

tmsize_t ReadProcedure(thandle_t handle, void* buffer, tmsize_t size) {
    if (size < 0)
        return -1;
    std::size_t done = 0;
    ssize_t count = -1;
    while (done < static_cast<std::size_t>(size)) {
        count =
            ::read(Of(handle).fd, static_cast<char*>(buffer) + done, static_cast<std::size_t>(size) - done);
        if (count <= 0)
            break;
        done += static_cast<std::size_t>(count);
    }
    return count < 0 ? -1 : static_cast<tmsize_t>(done);
}

tmsize_t WriteProcedure(thandle_t, void*, tmsize_t) {
    errno = EBADF;
    return -1;
}

toff_t SeekProcedure(thandle_t handle, toff_t offset, int whence) {
    const off_t position = static_cast<off_t>(offset);
    if (static_cast<toff_t>(position) != offset) {
        errno = EINVAL;
        return static_cast<toff_t>(-1);
    }
    return static_cast<toff_t>(::lseek(Of(handle).fd, position, whence));
}

int CloseProcedure(thandle_t handle) {
    return ::close(Of(handle).fd);
}

toff_t SizeProcedure(thandle_t handle) {
    struct stat status;
    return ::fstat(Of(handle).fd, &status) < 0 ? 0 : static_cast<toff_t>(status.st_size);
}

int MapProcedure(thandle_t handle, void** base, toff_t* size) {
    MappedFile& file = Of(handle);
    const toff_t length = SizeProcedure(handle);
    if (length == 0 || static_cast<toff_t>(static_cast<std::size_t>(length)) != length)
        return 0;
    void* mapped = ::mmap(nullptr, static_cast<std::size_t>(length), PROT_READ, MAP_SHARED, file.fd, 0);
    if (mapped == MAP_FAILED)
        return 0;
    file.base = mapped;
    file.size = static_cast<std::size_t>(length);
    *base = mapped;
    *size = length;
    return 1;
}

void UnmapProcedure(thandle_t handle, void* base, toff_t size) {
    ::munmap(base, static_cast<std::size_t>(size));
    Of(handle).base = nullptr;
}

} // namespace

std::unique_ptr<ScanTiles> ScanTiles::Open(const std::string& path, Access access) {
    auto tiles = std::make_unique<ScanTiles>();
    tiles->path = path;
    MappedFile& file = tiles->m_file;
    file.fd = ::open(path.c_str(), O_RDONLY, 0666);
    if (file.fd < 0) {
        // The text TIFFOpen gives for a file it cannot open.
        if (errno > 0 && std::strerror(errno) != nullptr)
            TIFFErrorExt(nullptr, "TIFFOpen", "%s: %s", path.c_str(), std::strerror(errno));
        else
            TIFFErrorExt(nullptr, "TIFFOpen", "%s: Cannot open", path.c_str());
        return nullptr;
    }
    tiles->m_tiff.reset(TIFFClientOpen(path.c_str(), access == Access::Mapped ? "r" : "rm", &file,
                                       ReadProcedure, WriteProcedure, SeekProcedure, CloseProcedure,
                                       SizeProcedure, MapProcedure, UnmapProcedure));
    if (!tiles->m_tiff) {
        ::close(file.fd);
        return nullptr;
    }
    return tiles;
}

ScanTiles::~ScanTiles() {
    m_tiff.reset();
}

std::string ScanTiles::UnreadableTile(int tile) const {
    char text[64];
    std::snprintf(text, sizeof text, DETAIL_TILE_UNREADABLE, tile);
    return DETAIL_READING + path + text;
}

bool ScanTiles::ReadTile(std::uint32_t tile, unsigned char* buffer, std::size_t size) {
    // The whole tile; its size given (rather than -1) lets the library decode straight into the buffer.
    const bool read = TIFFReadEncodedTile(m_tiff.get(), tile, buffer, static_cast<tmsize_t>(size)) != -1;
    GiveBack(tile);
    return read;
}

void ScanTiles::GiveBackAll() {
    if (m_file.base != nullptr)
        madvise(m_file.base, m_file.size, MADV_DONTNEED);
    m_nReadSinceGiveBack = 0;
}

void ScanTiles::GiveBack(std::uint32_t tile) {
    if (m_file.base == nullptr)
        return;
    // The kernel maps the pages around each page the decoder touches (fault-around), so giving back a
    // tile's own pages would leave its neighbours' behind; the whole mapping is given back instead,
    // once enough of the file has been read since the last time.
    m_nReadSinceGiveBack += TIFFGetStrileByteCount(m_tiff.get(), tile);
    if (m_nReadSinceGiveBack < GIVE_BACK_BYTES)
        return;
    m_nReadSinceGiveBack = 0;
    madvise(m_file.base, m_file.size, MADV_DONTNEED);
}

} // namespace gc
