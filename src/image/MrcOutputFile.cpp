#include "MrcOutputFile.h"

#include "core/Version.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#endif

#if defined(__linux__)
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace gc {
namespace {

// Floats are encoded and written in pieces of this many values.
constexpr std::size_t FLOAT_CHUNK = 4096;

// Reserves the disk space of a file of `bytes` for the stream, so that the writes that follow fill
// space already allocated instead of reserving it page by page as they come (on ext4 about a third
// less system time for the same bytes). A hint only: without a descriptor, without space, or over the
// process's file size limit (which the writes themselves then meet) the writes go on as they would have;
// errno is left as it was. The file then has that size; returns the bytes reserved (0 when none).
std::uint64_t ReserveSpace(std::FILE* file, std::uint64_t bytes) {
#if defined(__linux__)
    const int fd = file ? fileno(file) : -1;
    rlimit limit{};
    if (fd < 0 || bytes == 0 || getrlimit(RLIMIT_FSIZE, &limit) != 0 ||
        (limit.rlim_cur != RLIM_INFINITY && bytes > limit.rlim_cur))
        return 0;
    const int error = errno;
    const bool reserved = fallocate(fd, 0, 0, static_cast<off_t>(bytes)) == 0;
    errno = error;
    return reserved ? bytes : 0;
#else
    static_cast<void>(file);
    static_cast<void>(bytes);
    return 0;
#endif
}

// `width` 8-bit values as little-endian unsigned 16-bit values at `out`: on a little-endian machine a
// plain widening, which the compiler vectorises.
void WidenRow(const unsigned char* row, std::size_t width, unsigned char* out) {
    if constexpr (std::endian::native == std::endian::little) {
        for (std::size_t x = 0; x < width; ++x) {
            const std::uint16_t value = row[x];
            std::memcpy(out + 2 * x, &value, 2);
        }
    } else {
        for (std::size_t x = 0; x < width; ++x) {
            out[2 * x] = row[x];
            out[2 * x + 1] = 0;
        }
    }
}

// Sum, sum of squares, minimum and maximum of 8-bit values.
struct ByteSums {
    std::uint64_t sum = 0, squares = 0;
    unsigned char low = 255, high = 0;
};

// The values one at a time, from `start` on, into `sums`.
void SumBytesFrom(const unsigned char* values, std::size_t start, std::size_t count, ByteSums& sums) {
    // 32-bit partial sums over at most 65,536 values (65,536 × 255² < 2³²).
    constexpr std::size_t PIECE = 65536;
    for (; start < count; start += PIECE) {
        const std::size_t end = std::min(count, start + PIECE);
        std::uint32_t pieceSum = 0, pieceSquares = 0;
        for (std::size_t i = start; i < end; ++i) {
            const std::uint32_t value = values[i];
            pieceSum += value;
            pieceSquares += value * value;
            sums.low = std::min(sums.low, values[i]);
            sums.high = std::max(sums.high, values[i]);
        }
        sums.sum += pieceSum;
        sums.squares += pieceSquares;
    }
}

#if defined(__SSE2__)
// The 64-bit lanes of `lanes` added.
std::uint64_t LaneTotal(__m128i lanes) {
    return static_cast<std::uint64_t>(_mm_cvtsi128_si64(lanes)) +
           static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(lanes, lanes)));
}

// Adds the sums of 16-value steps to `sums`: the 64-bit lanes of `sum` and `squares`, and the
// smallest of the 16 bytes of `low` and the largest of `high`.
void AddLanes(__m128i sum, __m128i squares, __m128i low, __m128i high, ByteSums& sums) {
    alignas(16) unsigned char lows[16], highs[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(lows), low);
    _mm_store_si128(reinterpret_cast<__m128i*>(highs), high);
    sums.sum += LaneTotal(sum);
    sums.squares += LaneTotal(squares);
    sums.low = std::min(sums.low, *std::min_element(lows, lows + 16));
    sums.high = std::max(sums.high, *std::max_element(highs, highs + 16));
}

// Each 32-bit lane of squares takes four squares (at most 4 × 255²) a step: 4096 steps stay below 2³².
constexpr std::size_t SQUARE_STEPS = 4096;

// The values from `done` on, 16 at a time (sum of absolute differences from zero for the sum,
// pairwise 16-bit products for the squares), up to the last whole 16, into `sums`; returns the
// values done then.
std::size_t SumBytes16(const unsigned char* values, std::size_t done, std::size_t count, ByteSums& sums) {
    if (count - done < 16)
        return done;
    const __m128i zero = _mm_setzero_si128();
    __m128i sum = zero, squares = zero, low = _mm_set1_epi8(-1), high = zero;
    while (count - done >= 16) {
        const std::size_t steps = std::min(SQUARE_STEPS, (count - done) / 16);
        __m128i pieceSquares = zero;
        for (std::size_t step = 0; step < steps; ++step, done += 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(values + done));
            sum = _mm_add_epi64(sum, _mm_sad_epu8(bytes, zero));
            const __m128i lower = _mm_unpacklo_epi8(bytes, zero), upper = _mm_unpackhi_epi8(bytes, zero);
            pieceSquares = _mm_add_epi32(pieceSquares, _mm_madd_epi16(lower, lower));
            pieceSquares = _mm_add_epi32(pieceSquares, _mm_madd_epi16(upper, upper));
            low = _mm_min_epu8(low, bytes);
            high = _mm_max_epu8(high, bytes);
        }
        squares = _mm_add_epi64(squares, _mm_unpacklo_epi32(pieceSquares, zero));
        squares = _mm_add_epi64(squares, _mm_unpackhi_epi32(pieceSquares, zero));
    }
    AddLanes(sum, squares, low, high, sums);
    return done;
}
#endif

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define GC_SUM_BYTES_32 1
// The same 32 values at a time, for processors with AVX2 (the lanes of each half as above).
__attribute__((target("avx2"))) std::size_t SumBytes32(const unsigned char* values, std::size_t count,
                                                       ByteSums& sums) {
    std::size_t done = 0;
    if (count < 32)
        return done;
    const __m256i zero = _mm256_setzero_si256();
    __m256i sum = zero, squares = zero, low = _mm256_set1_epi8(-1), high = zero;
    while (count - done >= 32) {
        const std::size_t steps = std::min(SQUARE_STEPS, (count - done) / 32);
        __m256i pieceSquares = zero;
        for (std::size_t step = 0; step < steps; ++step, done += 32) {
            const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(values + done));
            sum = _mm256_add_epi64(sum, _mm256_sad_epu8(bytes, zero));
            const __m256i lower = _mm256_unpacklo_epi8(bytes, zero);
            const __m256i upper = _mm256_unpackhi_epi8(bytes, zero);
            pieceSquares = _mm256_add_epi32(pieceSquares, _mm256_madd_epi16(lower, lower));
            pieceSquares = _mm256_add_epi32(pieceSquares, _mm256_madd_epi16(upper, upper));
            low = _mm256_min_epu8(low, bytes);
            high = _mm256_max_epu8(high, bytes);
        }
        squares = _mm256_add_epi64(squares, _mm256_unpacklo_epi32(pieceSquares, zero));
        squares = _mm256_add_epi64(squares, _mm256_unpackhi_epi32(pieceSquares, zero));
    }
    // The two 128-bit halves of each, then as the 16-value steps end.
    const __m128i sums128 = _mm_add_epi64(_mm256_castsi256_si128(sum), _mm256_extracti128_si256(sum, 1));
    const __m128i squares128 =
        _mm_add_epi64(_mm256_castsi256_si128(squares), _mm256_extracti128_si256(squares, 1));
    const __m128i low128 = _mm_min_epu8(_mm256_castsi256_si128(low), _mm256_extracti128_si256(low, 1));
    const __m128i high128 = _mm_max_epu8(_mm256_castsi256_si128(high), _mm256_extracti128_si256(high, 1));
    AddLanes(sums128, squares128, low128, high128, sums);
    return done;
}

bool HasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
#endif

// Every value once: 32 at a time where the processor has AVX2 and `widest`, then 16 at a time (SSE2),
// the rest one at a time. Integer sums, so the result is exactly that of the plain loop.
ByteSums SumBytes(const unsigned char* values, std::size_t count, bool widest) {
    ByteSums sums;
    std::size_t done = 0;
#if defined(GC_SUM_BYTES_32)
    if (widest && HasAvx2())
        done = SumBytes32(values, count, sums);
#else
    static_cast<void>(widest);
#endif
#if defined(__SSE2__)
    done = SumBytes16(values, done, count, sums);
#endif
    SumBytesFrom(values, done, count, sums);
    return sums;
}
} // namespace

void MrcDataStatistics::AddBytes(const unsigned char* values, std::size_t count, bool widest) {
    if (count == 0)
        return;
    const ByteSums sums = SumBytes(values, count, widest);
    m_nByteSum += sums.sum;
    m_nByteSumSquares += sums.squares;
    if (m_nCount == 0 || sums.low < m_dMin)
        m_dMin = sums.low;
    if (m_nCount == 0 || sums.high > m_dMax)
        m_dMax = sums.high;
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

void DocumentedMeanAndRms(double sum, double sumSquares, double count, double& mean, double& rms) {
    mean = count > 0 ? sum / count : 0.0;
    rms = count > 1 ? std::sqrt(std::fabs(sumSquares / count - mean * mean) / (count - 1)) : 0.0;
}

void ClassicFloatMeanAndRms(double sum, double sumSquares, double count, double& mean, double& rms) {
    mean = sum / count;
    rms = std::sqrt(std::fabs(sumSquares - mean * mean) / count);
}

void MrcDataStatistics::ByteMeanAndRms(std::int64_t nominalCount, double& mean, double& rms) const {
    DocumentedMeanAndRms(static_cast<double>(m_nByteSum), static_cast<double>(m_nByteSumSquares),
                         static_cast<double>(nominalCount), mean, rms);
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

RowFileResult MrcOutputFile::Failure(RowFileOutcome outcome) const {
    return RowFileFailure(outcome, Path(), errno);
}

RowFileResult MrcOutputFile::Open(const std::string& path, const MrcDescription& description,
                                  std::size_t bufferBytes, const Opener& opener) {
    Discard();
    m_description = description;
    m_statistics = {};
    m_written = {};
    m_pending = PendingFile(path);
    // The temporary is created exclusively, never through a link (PendingFile::Create); a test's
    // opener stands in for it, and may fail without a reason (errno 0).
    errno = 0;
    m_file.reset(opener ? opener(m_pending.TemporaryPath()) : m_pending.CreateStream("wb"));
    if (!m_file) {
        RowFileResult failure = Failure(RowFileOutcome::NotCreated);
        m_pending.Discard();
        return failure;
    }
    // With a block of its own the stream needs none: each full block goes out in one write. The
    // blocks follow the header, so they do not start on block boundaries of the file; on the build
    // machines, whole aligned 1 MiB writes made the kernel take 1 MiB page-cache folios whose first
    // use cost up to three times the system time of writing the same bytes in smaller folios.
    m_nBlockUsed = 0;
    m_block.clear();
    if (bufferBytes > 0) {
        m_block.resize(bufferBytes);
        std::setvbuf(m_file.get(), nullptr, _IONBF, 0);
    }
    m_nReserved =
        ReserveSpace(m_file.get(), static_cast<std::uint64_t>(MRC_HEADER_SIZE) +
                                       static_cast<std::uint64_t>(description.width) *
                                           static_cast<std::uint64_t>(description.height) *
                                           static_cast<std::uint64_t>(description.sections) *
                                           static_cast<std::uint64_t>(MrcBytesPerSample(description.mode)));
    // Every file starts with the cleared header as its placeholder.
    m_nBytesPut = 0;
    if (!MrcHeader().Write(m_file.get()))
        return Failure(RowFileOutcome::WriteFailed);
    m_nBytesPut = MRC_HEADER_SIZE;
    return {};
}

bool MrcOutputFile::Put(const void* bytes, std::size_t size) {
    if (size != 0 && std::fwrite(bytes, 1, size, m_file.get()) != size)
        return false;
    m_nBytesPut += size;
    return true;
}

bool MrcOutputFile::FitReservation(std::FILE* file) const {
#if defined(__linux__)
    // Fewer values than described: the file ends after them, not at the end of the reserved space.
    if (m_nBytesPut < m_nReserved)
        return std::fflush(file) == 0 && ftruncate(fileno(file), static_cast<off_t>(m_nBytesPut)) == 0;
#else
    static_cast<void>(file);
#endif
    return true;
}

bool MrcOutputFile::Room(std::size_t size, unsigned char*& room) {
    if (m_block.size() - m_nBlockUsed < size && !Flush())
        return false;
    if (size <= m_block.size()) {
        room = m_block.data() + m_nBlockUsed;
        m_nBlockUsed += size;
    } else {
        m_encoded.resize(size);
        room = m_encoded.data();
    }
    return true;
}

bool MrcOutputFile::Filled(const unsigned char* room, std::size_t size) {
    return (m_block.empty() || room == m_encoded.data()) ? Put(room, size) : true;
}

bool MrcOutputFile::Flush() {
    const std::size_t used = m_nBlockUsed;
    m_nBlockUsed = 0;
    return Put(m_block.data(), used);
}

unsigned char* MrcOutputFile::NextRowPlace() {
    const auto width = static_cast<std::size_t>(m_description.width);
    if (m_description.mode != MRC_MODE_BYTE || m_block.size() - m_nBlockUsed < width)
        return nullptr;
    return m_block.data() + m_nBlockUsed;
}

RowFileResult MrcOutputFile::WriteRow(const unsigned char* row) {
    return PutRow(row) ? RowFileResult{} : Failure(RowFileOutcome::WriteFailed);
}

RowFileResult MrcOutputFile::WriteFloats(const float* values, std::size_t count) {
    return PutFloats(values, count) ? RowFileResult{} : Failure(RowFileOutcome::WriteFailed);
}

RowFileResult MrcOutputFile::WriteZeroRows(int rows) {
    return PutZeroRows(rows) ? RowFileResult{} : Failure(RowFileOutcome::WriteFailed);
}

bool MrcOutputFile::PutRow(const unsigned char* row) {
    const auto width = static_cast<std::size_t>(m_description.width);
    m_statistics.AddBytes(row, width);
    if (!m_block.empty() && row == m_block.data() + m_nBlockUsed) {
        // Put together in place (NextRowPlace): the block goes out as soon as no other row fits.
        m_nBlockUsed += width;
        return m_block.size() - m_nBlockUsed >= width || Flush();
    }
    if (m_description.mode != MRC_MODE_UINT16 && m_block.empty())
        return Put(row, width);
    const std::size_t size = m_description.mode == MRC_MODE_UINT16 ? 2 * width : width;
    unsigned char* out = nullptr;
    if (!Room(size, out))
        return false;
    if (size == width)
        std::memcpy(out, row, width);
    else
        WidenRow(row, width, out);
    return Filled(out, size);
}

bool MrcOutputFile::PutFloats(const float* values, std::size_t count) {
    m_statistics.AddFloats(values, count);
    for (std::size_t start = 0; start < count; start += FLOAT_CHUNK) {
        const std::size_t chunk = std::min(count - start, FLOAT_CHUNK);
        unsigned char* out = nullptr;
        if (!Room(4 * chunk, out))
            return false;
        for (std::size_t i = 0; i < chunk; ++i)
            PutFloatLE(out + 4 * i, values[start + i]);
        if (!Filled(out, 4 * chunk))
            return false;
    }
    return true;
}

bool MrcOutputFile::PutZeroRows(int rows) {
    if (rows <= 0)
        return true;
    const std::size_t rowBytes = static_cast<std::size_t>(m_description.width) *
                                 static_cast<std::size_t>(MrcBytesPerSample(m_description.mode));
    for (int row = 0; row < rows; ++row) {
        unsigned char* out = nullptr;
        if (!Room(rowBytes, out))
            return false;
        std::memset(out, 0, rowBytes);
        if (!Filled(out, rowBytes))
            return false;
    }
    m_statistics.AddZeros(static_cast<std::size_t>(m_description.width) * static_cast<std::size_t>(rows));
    return true;
}

RowFileResult MrcOutputFile::Close(const MrcStatistics& classic) {
    if (!m_file)
        return RowFileFailure(RowFileOutcome::WriteFailed, Path(), 0);
    const MrcStatistics statistics = m_description.style == MrcStyle::Classic ? classic : m_statistics.Data();
    const MrcHeader header = MrcHeaderFor(m_description, statistics);
    bool written = Flush();
    std::FILE* open = m_file.release();
    if (written)
        written = std::fseek(open, 0, SEEK_SET) == 0 && header.Write(open) && FitReservation(open);
    // The first failure's reason: the write's, else the close's.
    RowFileResult failure = written ? RowFileResult{} : Failure(RowFileOutcome::WriteFailed);
    if (std::fclose(open) != 0 && written)
        failure = Failure(RowFileOutcome::WriteFailed);
    if (!failure.Succeeded()) {
        m_pending.Discard();
        return failure;
    }
    if (!m_pending.Commit())
        return Failure(RowFileOutcome::WriteFailed);
    m_written = statistics;
    return {};
}

void MrcOutputFile::Discard() {
    m_nBlockUsed = 0;
    m_file.reset();
    m_pending.Discard();
}

} // namespace gc
