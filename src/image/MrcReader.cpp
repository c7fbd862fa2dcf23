// MRC reading: the header, the checks that refuse a file before anything is allocated, then each
// section decoded into a grey DIBSection. The data are read in chunks of at most READ_CHUNK_BYTES;
// modes 1, 2 and 6 read each section twice, once for its minimum and maximum and once for the
// grey levels, so no copy of a section's values is kept.
#include "image/MrcReader.h"

#include "core/FileHandles.h"
#include "image/ImageLimits.h"
#include "image/ImageMessages.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <sys/types.h>

namespace gc {
namespace {

constexpr std::size_t READ_CHUNK_BYTES = std::size_t{1} << 20;
constexpr int BYTES_PER_PIXEL = 3;
constexpr int WHITE = 255;

// Where the data of a checked file lie.
struct MrcLayout {
    std::int64_t m_nDataOffset = 0;
    std::int64_t m_nSectionSamples = 0;
    std::int64_t m_nSectionBytes = 0;
    int m_nBytesPerSample = 0;
};

// The stream's length in bytes, or -1.
std::int64_t StreamLength(std::FILE* file) {
    if (fseeko(file, 0, SEEK_END) != 0)
        return -1;
    const off_t length = ftello(file);
    return length < 0 ? -1 : static_cast<std::int64_t>(length);
}

MrcReadOutcome CheckHeader(const MrcHeader& header, std::int64_t fileLength, MrcLayout& layout) {
    layout.m_nBytesPerSample = MrcBytesPerSample(header.m_nMode);
    if (layout.m_nBytesPerSample == 0)
        return MrcReadOutcome::UnknownMode;
    if (header.m_nNX <= 0 || header.m_nNY <= 0 || header.m_nNZ <= 0 || header.m_nNSymBT < 0)
        return MrcReadOutcome::BadSize;
    constexpr std::int64_t MAX = std::numeric_limits<std::int64_t>::max();
    // NX·NY of two positive int32 values fits; each further product is checked.
    layout.m_nSectionSamples = std::int64_t{header.m_nNX} * header.m_nNY;
    if (layout.m_nSectionSamples > MAX / layout.m_nBytesPerSample)
        return MrcReadOutcome::BadSize;
    layout.m_nSectionBytes = layout.m_nSectionSamples * layout.m_nBytesPerSample;
    layout.m_nDataOffset = std::int64_t{MRC_HEADER_SIZE} + header.m_nNSymBT;
    if (header.m_nNZ > (MAX - layout.m_nDataOffset) / layout.m_nSectionBytes)
        return MrcReadOutcome::BadSize;
    if (fileLength < layout.m_nDataOffset + header.m_nNZ * layout.m_nSectionBytes)
        return MrcReadOutcome::Truncated;
    // Every section's bitmap and its overhead together; a file that passed the length check holds
    // at least one byte per pixel, so this cannot overflow, but it is bounded all the same.
    const std::int64_t perSection = ViewImageBytes(header.m_nNX, header.m_nNY);
    if (perSection > MAX_VIEW_IMAGE_BYTES ||
        header.m_nNZ > MAX_VIEW_IMAGE_BYTES / (perSection + MRC_SECTION_OVERHEAD_BYTES))
        return MrcReadOutcome::TooLarge;
    return MrcReadOutcome::Read;
}

// One pixel value of the file as a number.
class SampleDecoder {
public:
    SampleDecoder(int mode, bool bigEndian) : m_nMode(mode), m_bBigEndian(bigEndian) {}

    double operator()(const unsigned char* p) const {
        switch (m_nMode) {
        case MRC_MODE_BYTE:
            return p[0];
        case MRC_MODE_INT16:
            return static_cast<std::int16_t>(Unsigned16(p));
        case MRC_MODE_UINT16:
            return Unsigned16(p);
        default:
            return m_bBigEndian ? GetFloatBE(p) : GetFloatLE(p);
        }
    }

private:
    std::uint16_t Unsigned16(const unsigned char* p) const {
        return static_cast<std::uint16_t>(m_bBigEndian ? (p[0] << 8 | p[1]) : (p[1] << 8 | p[0]));
    }

    int m_nMode;
    bool m_bBigEndian;
};

// Reads `count` values of `bytesPerSample` bytes from `offset` in chunks and hands each to `visit`
// in file order; false when the stream cannot be positioned or ends early.
template <typename Visit>
bool ForEachSample(std::FILE* file, std::int64_t offset, std::int64_t count, int bytesPerSample,
                   std::vector<unsigned char>& chunk, const SampleDecoder& decode, Visit&& visit) {
    if (fseeko(file, static_cast<off_t>(offset), SEEK_SET) != 0)
        return false;
    const std::int64_t perChunk = static_cast<std::int64_t>(chunk.size()) / bytesPerSample;
    for (std::int64_t done = 0; done < count;) {
        const std::int64_t samples = std::min(perChunk, count - done);
        const std::size_t bytes = static_cast<std::size_t>(samples) * bytesPerSample;
        if (std::fread(chunk.data(), 1, bytes, file) != bytes)
            return false;
        for (std::size_t at = 0; at < bytes; at += bytesPerSample)
            visit(decode(chunk.data() + at));
        done += samples;
    }
    return true;
}

// The linear grey scale of a section: minimum → 0, maximum → 255 (see MrcReader.h for the flat
// section and the values that are not finite).
class GreyScale {
public:
    void Include(double value) {
        if (std::isfinite(value)) {
            m_dMinimum = std::min(m_dMinimum, value);
            m_dMaximum = std::max(m_dMaximum, value);
        }
    }

    unsigned char Grey(double value) const {
        if (std::isnan(value))
            return 0;
        if (!(m_dMaximum > m_dMinimum))
            return value > m_dMaximum ? WHITE : 0;
        const double level = std::floor((value - m_dMinimum) * WHITE / (m_dMaximum - m_dMinimum) + 0.5);
        return static_cast<unsigned char>(std::clamp(level, 0.0, static_cast<double>(WHITE)));
    }

private:
    double m_dMinimum = std::numeric_limits<double>::infinity();
    double m_dMaximum = -std::numeric_limits<double>::infinity();
};

// Puts grey levels into an image in file order: the first value is the top-left pixel.
class GreyWriter {
public:
    explicit GreyWriter(DIBSection& image)
        : m_image(image), m_nRow(image.GetHeight() - 1), m_pPixel(image.MemoryRow(m_nRow)) {}

    void operator()(unsigned char grey) {
        m_pPixel[0] = m_pPixel[1] = m_pPixel[2] = grey;
        m_pPixel += BYTES_PER_PIXEL;
        if (++m_nColumn == m_image.GetWidth() && m_nRow > 0) {
            m_nColumn = 0;
            m_pPixel = m_image.MemoryRow(--m_nRow);
        }
    }

private:
    DIBSection& m_image;
    int m_nRow;
    int m_nColumn = 0;
    unsigned char* m_pPixel;
};

bool ReadSection(std::FILE* file, const MrcHeader& header, const MrcLayout& layout, std::int64_t offset,
                 std::vector<unsigned char>& chunk, DIBSection& image) {
    const SampleDecoder decode(header.m_nMode, header.IsBigEndian());
    GreyWriter write(image);
    const auto read = [&](auto&& visit) {
        return ForEachSample(file, offset, layout.m_nSectionSamples, layout.m_nBytesPerSample, chunk, decode,
                             visit);
    };
    if (header.m_nMode == MRC_MODE_BYTE)
        return read([&write](double value) { write(static_cast<unsigned char>(value)); });
    GreyScale scale;
    if (!read([&scale](double value) { scale.Include(value); }))
        return false;
    return read([&write, &scale](double value) { write(scale.Grey(value)); });
}

} // namespace

MrcReadOutcome ReadMrcStream(std::FILE* file, MrcImages& images, MrcHeader* headerOut) {
    images.clear();
    MrcHeader header;
    if (!header.Read(file))
        return MrcReadOutcome::NoHeader;
    if (headerOut != nullptr)
        *headerOut = header;
    MrcLayout layout;
    const MrcReadOutcome checked = CheckHeader(header, StreamLength(file), layout);
    if (checked != MrcReadOutcome::Read)
        return checked;

    std::vector<unsigned char> chunk(static_cast<std::size_t>(std::min<std::int64_t>(
        layout.m_nSectionBytes, READ_CHUNK_BYTES / layout.m_nBytesPerSample * layout.m_nBytesPerSample)));
    images.reserve(static_cast<std::size_t>(header.m_nNZ));
    for (int section = 0; section < header.m_nNZ; ++section) {
        auto image = std::make_unique<DIBSection>();
        image->Create(header.m_nNX, header.m_nNY, 24);
        if (!image->IsValid()) {
            images.clear();
            return MrcReadOutcome::NoMemory;
        }
        const std::int64_t offset = layout.m_nDataOffset + section * layout.m_nSectionBytes;
        if (!ReadSection(file, header, layout, offset, chunk, *image)) {
            images.clear();
            return MrcReadOutcome::Truncated;
        }
        images.push_back(std::move(image));
    }
    return MrcReadOutcome::Read;
}

MrcReadOutcome ReadMrcFile(const std::string& path, MrcImages& images, MrcHeader* header) {
    images.clear();
    FileHandle file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return MrcReadOutcome::CannotOpen;
    return ReadMrcStream(file.get(), images, header);
}

const char* MrcReadMessage(MrcReadOutcome outcome) {
    switch (outcome) {
    case MrcReadOutcome::CannotOpen:
        return MSG_CANT_OPEN_FILE;
    case MrcReadOutcome::NoHeader:
        return MSG_MRC_NO_HEADER;
    case MrcReadOutcome::UnknownMode:
        return MSG_MRC_UNKNOWN_MODE;
    case MrcReadOutcome::BadSize:
        return MSG_MRC_BAD_SIZE;
    case MrcReadOutcome::Truncated:
        return MSG_MRC_TRUNCATED;
    case MrcReadOutcome::TooLarge:
        return MSG_IMAGE_TOO_LARGE;
    case MrcReadOutcome::Read:
    case MrcReadOutcome::NoMemory:
        break;
    }
    return nullptr;
}

} // namespace gc
