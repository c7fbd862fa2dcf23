#include "MrcOutputFile.h"

#include "core/Version.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>

namespace gc {
namespace {

// Floats are encoded and written in pieces of this many values.
constexpr std::size_t FLOAT_CHUNK = 4096;

} // namespace

void MrcDataStatistics::AddBytes(const unsigned char* values, std::size_t count) {
    if (count == 0)
        return;
    // 32-bit partial sums over at most 65,536 values (65,536 × 255² < 2³²) let the loop vectorise.
    constexpr std::size_t PIECE = 65536;
    unsigned char low = 255, high = 0;
    for (std::size_t start = 0; start < count; start += PIECE) {
        const std::size_t end = std::min(count, start + PIECE);
        std::uint32_t pieceSum = 0, pieceSquares = 0;
        for (std::size_t i = start; i < end; ++i) {
            const std::uint32_t value = values[i];
            pieceSum += value;
            pieceSquares += value * value;
            low = std::min(low, values[i]);
            high = std::max(high, values[i]);
        }
        m_nByteSum += pieceSum;
        m_nByteSumSquares += pieceSquares;
    }
    if (m_nCount == 0 || low < m_dMin)
        m_dMin = low;
    if (m_nCount == 0 || high > m_dMax)
        m_dMax = high;
    m_nCount += static_cast<std::int64_t>(count);
}

void MrcDataStatistics::AddFloats(const float* values, std::size_t count) {
    if (count == 0)
        return;
    double sum = 0, squares = 0;
    float low = values[0], high = values[0];
    for (std::size_t i = 0; i < count; ++i) {
        const double value = values[i];
        sum += value;
        squares += value * value;
        low = std::min(low, values[i]);
        high = std::max(high, values[i]);
    }
    m_dSum += sum;
    m_dSumSquares += squares;
    if (m_nCount == 0 || low < m_dMin)
        m_dMin = low;
    if (m_nCount == 0 || high > m_dMax)
        m_dMax = high;
    m_nCount += static_cast<std::int64_t>(count);
}

void MrcDataStatistics::AddZeros(std::size_t count) {
    if (count == 0)
        return;
    if (m_nCount == 0 || m_dMin > 0)
        m_dMin = 0;
    if (m_nCount == 0 || m_dMax < 0)
        m_dMax = 0;
    m_nCount += static_cast<std::int64_t>(count);
}

MrcStatistics MrcDataStatistics::Data() const {
    if (m_nCount == 0)
        return {};
    const double n = static_cast<double>(m_nCount);
    const double sum = m_dSum + static_cast<double>(m_nByteSum);
    const double squares = m_dSumSquares + static_cast<double>(m_nByteSumSquares);
    const double mean = sum / n;
    const double variance = std::max(0.0, squares / n - mean * mean);
    return {m_dMin, m_dMax, mean, std::sqrt(variance)};
}

std::string MrcCreatorLabel(std::chrono::system_clock::time_point time) {
    using namespace std::chrono;
    if (time == system_clock::time_point{})
        time = system_clock::now();
    const auto seconds = floor<std::chrono::seconds>(time);
    const auto day = floor<days>(seconds);
    const year_month_day date{day};
    const hh_mm_ss clock{seconds - day};
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d:%02d UTC", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()));
    return std::string("Gridcarver ") + VersionNumber() + " " + text;
}

MrcHeader MrcHeaderFor(const MrcDescription& description, const MrcStatistics& statistics) {
    MrcHeader header;
    header.SetImage(description.width, description.height, description.mode, description.sections);
    header.SetStatistics(statistics.dmin, statistics.dmax, statistics.dmean, statistics.rms);
    if (description.style == MrcStyle::Classic) {
        header.SetLabel(description.label);
        if (description.pixelSize > 0)
            header.SetPixelSize(description.pixelSize);
        return header;
    }
    header.SetMrc2014();
    // Sections of one image stack are images, not a volume: one sampling interval along z.
    if (description.sections > 1)
        header.m_nMZ = 1;
    header.SetPixelSize(description.pixelSize > 0 ? description.pixelSize : 1.0);
    header.SetLabel(MrcCreatorLabel(description.time));
    header.AddLabel(description.label);
    return header;
}

MrcOutputFile::OpenResult MrcOutputFile::Open(const std::string& path, const MrcDescription& description,
                                              std::size_t bufferBytes, const Opener& opener) {
    Discard();
    m_description = description;
    m_statistics = {};
    m_written = {};
    m_pending = PendingFile(path);
    errno = 0;
    // The temporary is created exclusively, never through a link (PendingFile::Create); a test's
    // opener stands in for it.
    m_file.reset(opener ? opener(m_pending.TemporaryPath()) : m_pending.CreateStream("wb"));
    if (!m_file) {
        const int error = errno;
        m_pending.Discard();
        errno = error;
        return OpenResult::NotCreated;
    }
    if (bufferBytes > 0) {
        m_streamBuffer.resize(bufferBytes);
        std::setvbuf(m_file.get(), m_streamBuffer.data(), _IOFBF, m_streamBuffer.size());
    }
    // Every file starts with the cleared header as its placeholder.
    errno = 0;
    if (!MrcHeader().Write(m_file.get()))
        return OpenResult::PlaceholderFailed;
    return OpenResult::Opened;
}

bool MrcOutputFile::Put(const void* bytes, std::size_t size) {
    errno = 0;
    return size == 0 || std::fwrite(bytes, 1, size, m_file.get()) == size;
}

bool MrcOutputFile::WriteRow(const unsigned char* row) {
    const auto width = static_cast<std::size_t>(m_description.width);
    m_statistics.AddBytes(row, width);
    if (m_description.mode != MRC_MODE_UINT16)
        return Put(row, width);
    // Little-endian unsigned 16-bit values: on a little-endian machine a plain widening (which the
    // compiler vectorises), otherwise byte by byte.
    m_wide.resize(width);
    if constexpr (std::endian::native == std::endian::little) {
        std::uint16_t* out = m_wide.data();
        for (std::size_t x = 0; x < width; ++x)
            out[x] = row[x];
    } else {
        auto* out = reinterpret_cast<unsigned char*>(m_wide.data());
        for (std::size_t x = 0; x < width; ++x) {
            out[2 * x] = row[x];
            out[2 * x + 1] = 0;
        }
    }
    return Put(m_wide.data(), 2 * width);
}

bool MrcOutputFile::WriteFloats(const float* values, std::size_t count) {
    m_statistics.AddFloats(values, count);
    m_encoded.resize(4 * std::min(count, FLOAT_CHUNK));
    for (std::size_t start = 0; start < count; start += FLOAT_CHUNK) {
        const std::size_t chunk = std::min(count - start, FLOAT_CHUNK);
        for (std::size_t i = 0; i < chunk; ++i)
            PutFloatLE(m_encoded.data() + 4 * i, values[start + i]);
        if (!Put(m_encoded.data(), 4 * chunk))
            return false;
    }
    return true;
}

bool MrcOutputFile::WriteZeroRows(int rows) {
    if (rows <= 0)
        return true;
    const std::size_t rowBytes = static_cast<std::size_t>(m_description.width) *
                                 static_cast<std::size_t>(MrcBytesPerSample(m_description.mode));
    const std::vector<unsigned char> zeros(rowBytes, 0);
    for (int row = 0; row < rows; ++row)
        if (!Put(zeros.data(), zeros.size()))
            return false;
    m_statistics.AddZeros(static_cast<std::size_t>(m_description.width) * static_cast<std::size_t>(rows));
    return true;
}

bool MrcOutputFile::Close(const MrcStatistics& classic) {
    if (!m_file)
        return false;
    const MrcStatistics statistics = m_description.style == MrcStyle::Classic ? classic : m_statistics.Data();
    const MrcHeader header = MrcHeaderFor(m_description, statistics);
    std::FILE* open = m_file.release();
    errno = 0;
    const bool written = std::fseek(open, 0, SEEK_SET) == 0 && header.Write(open);
    const int writeError = errno;
    errno = 0;
    const bool closed = std::fclose(open) == 0;
    if (!written || !closed) {
        const int error = written ? errno : writeError;
        m_pending.Discard();
        errno = error;
        return false;
    }
    if (!m_pending.Commit())
        return false;
    m_written = statistics;
    return true;
}

void MrcOutputFile::Discard() {
    m_file.reset();
    m_pending.Discard();
}

} // namespace gc
