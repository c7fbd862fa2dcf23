// MRC reading: the header, the checks that refuse a file before anything is allocated, then each
// section as a PixelStore over the mapped file (or decoded, for a big-endian file).
#include "image/MrcReader.h"

#include "core/FileHandles.h"
#include "image/ImageLimits.h"
#include "image/ImageMessages.h"

#include <cstring>
#include <limits>

namespace gc {
namespace {

SampleType SampleTypeOf(int mode) {
    switch (mode) {
    case MRC_MODE_BYTE:
        return SampleType::UInt8;
    case MRC_MODE_INT16:
        return SampleType::Int16;
    case MRC_MODE_UINT16:
        return SampleType::UInt16;
    default:
        return SampleType::Float32;
    }
}

// Where the data of a checked file lie, or why it is refused.
MrcReadOutcome CheckHeader(const MrcHeader& header, std::int64_t fileLength, std::int64_t& dataOffset,
                           std::int64_t& sectionBytes) {
    const int bytesPerSample = MrcBytesPerSample(header.m_nMode);
    if (bytesPerSample == 0)
        return MrcReadOutcome::UnknownMode;
    if (header.m_nNX <= 0 || header.m_nNY <= 0 || header.m_nNZ <= 0 || header.m_nNSymBT < 0)
        return MrcReadOutcome::BadSize;
    constexpr std::int64_t MAX = std::numeric_limits<std::int64_t>::max();
    // NX·NY of two positive int32 values fits; each further product is checked.
    const std::int64_t samples = std::int64_t{header.m_nNX} * header.m_nNY;
    if (samples > MAX / bytesPerSample)
        return MrcReadOutcome::BadSize;
    sectionBytes = samples * bytesPerSample;
    dataOffset = std::int64_t{MRC_HEADER_SIZE} + header.m_nNSymBT;
    if (header.m_nNZ > (MAX - dataOffset) / sectionBytes)
        return MrcReadOutcome::BadSize;
    if (fileLength < dataOffset + header.m_nNZ * sectionBytes)
        return MrcReadOutcome::Truncated;
    return MrcReadOutcome::Read;
}

// Every section's 24-bit picture and its overhead within MAX_VIEW_IMAGE_BYTES.
bool PicturesFit(const MrcHeader& header) {
    const std::int64_t perSection = ViewImageBytes(header.m_nNX, header.m_nNY);
    return perSection <= MAX_VIEW_IMAGE_BYTES &&
           header.m_nNZ <= MAX_VIEW_IMAGE_BYTES / (perSection + MRC_SECTION_OVERHEAD_BYTES);
}

// A big-endian section in the machine's byte order.
bool DecodeSwapped(const unsigned char* bytes, const MrcHeader& header, PixelStore& store) {
    const SampleType type = SampleTypeOf(header.m_nMode);
    if (!store.Allocate(header.m_nNX, header.m_nNY, type))
        return false;
    const int size = SampleBytes(type);
    for (int y = 0; y < header.m_nNY; ++y) {
        unsigned char* row = store.MutableRow(y);
        const unsigned char* source = bytes + static_cast<std::size_t>(y) * store.RowBytes();
        for (std::size_t at = 0; at < store.RowBytes(); at += static_cast<std::size_t>(size))
            for (int b = 0; b < size; ++b)
                row[at + static_cast<std::size_t>(b)] = source[at + static_cast<std::size_t>(size - 1 - b)];
    }
    return true;
}

} // namespace

MrcReadOutcome MrcFile::Open(const std::string& path) {
    m_mapping.reset();
    m_header = MrcHeader();
    FileHandle file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return MrcReadOutcome::CannotOpen;
    if (!m_header.Read(file.get()))
        return MrcReadOutcome::NoHeader;
    if (fseeko(file.get(), 0, SEEK_END) != 0)
        return MrcReadOutcome::Truncated;
    const std::int64_t length = ftello(file.get());
    const MrcReadOutcome checked = CheckHeader(m_header, length, m_nDataOffset, m_nSectionBytes);
    if (checked != MrcReadOutcome::Read)
        return checked;
    m_mapping = FileMapping::Open(path);
    if (!m_mapping ||
        static_cast<std::int64_t>(m_mapping->Size()) < m_nDataOffset + m_header.m_nNZ * m_nSectionBytes) {
        m_mapping.reset();
        return MrcReadOutcome::Truncated;
    }
    return MrcReadOutcome::Read;
}

bool MrcFile::Section(int index, PixelStore& store) const {
    store = PixelStore();
    if (!m_mapping || index < 0 || index >= m_header.m_nNZ)
        return false;
    const auto offset = static_cast<std::size_t>(m_nDataOffset + index * m_nSectionBytes);
    if (m_header.IsBigEndian() && m_header.m_nMode != MRC_MODE_BYTE)
        return DecodeSwapped(m_mapping->Data() + offset, m_header, store);
    store.Map(m_mapping, offset, m_header.m_nNX, m_header.m_nNY, SampleTypeOf(m_header.m_nMode));
    return true;
}

MrcReadOutcome ReadMrcFile(const std::string& path, MrcImages& images, MrcHeader* header) {
    images.clear();
    MrcFile file;
    const MrcReadOutcome opened = file.Open(path);
    if (header != nullptr)
        *header = file.Header();
    if (opened != MrcReadOutcome::Read)
        return opened;
    if (!PicturesFit(file.Header()))
        return MrcReadOutcome::TooLarge;
    images.reserve(static_cast<std::size_t>(file.Sections()));
    for (int section = 0; section < file.Sections(); ++section) {
        PixelStore store;
        auto image = std::make_unique<DIBSection>();
        if (file.Section(section, store))
            PictureOf(store, WideToGrey::SpanMinMax, *image);
        if (!image->IsValid()) {
            images.clear();
            return MrcReadOutcome::NoMemory;
        }
        images.push_back(std::move(image));
    }
    return MrcReadOutcome::Read;
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
