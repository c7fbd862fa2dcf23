// MRC recognition by header and the reading of a section's values (see MrcContent.h).
#include "image/MrcContent.h"

#include "core/FileHandles.h"

#include <cstring>
#include <limits>
#include <sys/types.h>

namespace gc {
namespace {

// The format's data modes that the viewer does not read.
constexpr int MRC_MODE_COMPLEX_INT16 = 3;
constexpr int MRC_MODE_COMPLEX_FLOAT = 4;
constexpr int MRC_MODE_HALF_FLOAT = 12;

// Bytes per value of every data mode of the format (complex modes count both parts); 0 for others.
int FormatBytesPerSample(int mode) {
    switch (mode) {
    case MRC_MODE_COMPLEX_INT16:
        return 4;
    case MRC_MODE_COMPLEX_FLOAT:
        return 8;
    case MRC_MODE_HALF_FLOAT:
        return 2;
    default:
        return MrcBytesPerSample(mode);
    }
}

bool HasMapWord(const MrcHeader& header) {
    return std::memcmp(header.m_cMap, "MAP", 3) == 0 && (header.m_cMap[3] == ' ' || header.m_cMap[3] == '\0');
}

bool AxesArePermutation(const MrcHeader& header) {
    const int axes[3] = {header.m_nMapC, header.m_nMapR, header.m_nMapS};
    bool seen[4] = {false, false, false, false};
    for (const int axis : axes) {
        if (axis < 1 || axis > 3 || seen[axis])
            return false;
        seen[axis] = true;
    }
    return true;
}

// Header, extended header and data of the file's NX·NY·NZ values, or -1 when that overflows.
std::int64_t DeclaredLength(const MrcHeader& header, int bytesPerSample) {
    constexpr std::int64_t MAX = std::numeric_limits<std::int64_t>::max();
    const std::int64_t section = std::int64_t{header.m_nNX} * header.m_nNY;
    if (section > MAX / bytesPerSample / header.m_nNZ)
        return -1;
    const std::int64_t data = section * bytesPerSample * header.m_nNZ;
    const std::int64_t start = std::int64_t{MRC_HEADER_SIZE} + header.m_nNSymBT;
    return data > MAX - start ? -1 : start + data;
}

std::int64_t StreamLength(std::FILE* file) {
    if (fseeko(file, 0, SEEK_END) != 0)
        return -1;
    const off_t length = ftello(file);
    return length < 0 ? -1 : static_cast<std::int64_t>(length);
}

// Reads the header at the start of `file` and the file's length; false when either fails.
bool ReadHeaderAndLength(std::FILE* file, MrcHeader& header, std::int64_t& length) {
    if (!header.Read(file))
        return false;
    length = StreamLength(file);
    return length >= 0;
}

} // namespace

bool IsMrcHeader(const MrcHeader& header, std::int64_t fileLength) {
    const int bytesPerSample = FormatBytesPerSample(header.m_nMode);
    if (bytesPerSample == 0 || header.m_nNX <= 0 || header.m_nNY <= 0 || header.m_nNZ <= 0 ||
        header.m_nNSymBT < 0)
        return false;
    if (HasMapWord(header))
        return true;
    const std::int64_t declared = DeclaredLength(header, bytesPerSample);
    return AxesArePermutation(header) && declared >= 0 && fileLength >= declared;
}

bool IsMrcFile(const std::string& path) {
    FileHandle file(std::fopen(path.c_str(), "rb"));
    MrcHeader header;
    std::int64_t length = 0;
    return file && ReadHeaderAndLength(file.get(), header, length) && IsMrcHeader(header, length);
}

} // namespace gc
