#include "image/MrcOutputFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <tuple>
#include <utility>

namespace gc {
namespace {

using test::ReadFileBytes;
using test::TempDir;
using Bytes = std::vector<unsigned char>;

constexpr int W = 5, H = 3;

// 2026-12-07 17:40:09 UTC.
std::chrono::system_clock::time_point LabelTime() {
    using namespace std::chrono;
    return sys_days{year{2026} / 12 / 7} + hours{17} + minutes{40} + seconds{9};
}

MrcDescription Describe(int mode, MrcStyle style, double pixelSize = 0, int sections = 1) {
    MrcDescription description;
    description.width = W;
    description.height = H;
    description.sections = sections;
    description.mode = mode;
    description.style = style;
    description.pixelSize = pixelSize;
    description.label = "writer's own text";
    description.time = LabelTime();
    return description;
}

// Rows 0 and 1 given, row 2 completed with zeros; values 0..255 both halves.
Bytes WriteByteFile(const std::string& path, MrcStyle style, int mode, const MrcStatistics& classic) {
    MrcOutputFile file;
    EXPECT_EQ(file.Open(path, Describe(mode, style)).outcome, RowFileOutcome::Done);
    const unsigned char rows[2][W] = {{0, 1, 127, 128, 255}, {200, 200, 10, 20, 30}};
    EXPECT_TRUE(file.WriteRow(rows[0]).Succeeded());
    EXPECT_TRUE(file.WriteRow(rows[1]).Succeeded());
    // Nothing appears under the final name before the close.
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_TRUE(file.WriteZeroRows(1).Succeeded());
    EXPECT_TRUE(file.Close(classic).Succeeded());
    return ReadFileBytes(path);
}

// The classic style is the 2000 revision's bytes: the header built field by field as the writers
// always did, then the values as they are.
TEST(MrcOutputFile, ClassicBytesAreTheHeaderThenTheRows) {
    TempDir dir;
    const MrcStatistics classic{0.0, 255.0, 72.5, 11.25};
    const Bytes bytes = WriteByteFile(dir.File("a.mrc"), MrcStyle::Classic, MRC_MODE_BYTE, classic);

    MrcHeader expected;
    expected.SetImage(W, H, MRC_MODE_BYTE);
    expected.SetStatistics(0.0, 255.0, 72.5, 11.25);
    expected.SetLabel("writer's own text");
    const auto header = expected.Bytes();
    Bytes want(header.begin(), header.end());
    for (unsigned char value : {0, 1, 127, 128, 255, 200, 200, 10, 20, 30, 0, 0, 0, 0, 0})
        want.push_back(value);
    EXPECT_EQ(bytes, want);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

// MRC2014: mode 6 keeps every 8-bit value; the stamp, NVERSION, labels and the data's own
// statistics (zero rows included, standard deviation over the count).
TEST(MrcOutputFile, Mrc2014HeaderAndUnsigned16BitData) {
    TempDir dir;
    const Bytes bytes =
        WriteByteFile(dir.File("b.mrc"), MrcStyle::Mrc2014, MRC_MODE_UINT16, {0.0, 255.0, 1.0, 1.0});
    ASSERT_EQ(bytes.size(), static_cast<std::size_t>(MRC_HEADER_SIZE + 2 * W * H));
    unsigned char raw[MRC_HEADER_SIZE];
    std::memcpy(raw, bytes.data(), MRC_HEADER_SIZE);
    MrcHeader header;
    header.SetFromBytes(raw);
    EXPECT_EQ(header.m_nMode, MRC_MODE_UINT16);
    EXPECT_EQ(Bytes(bytes.begin() + 212, bytes.begin() + 216), (Bytes{0x44, 0x44, 0, 0}));
    EXPECT_EQ(header.Version(), MRC_NVERSION_2014);
    EXPECT_EQ(header.m_nLabels, 2);
    EXPECT_EQ(header.Label(0), "Gridcarver 1.0 2026-12-07 17:40:09 UTC");
    EXPECT_EQ(header.Label(1), "writer's own text");

    const double values[] = {0, 1, 127, 128, 255, 200, 200, 10, 20, 30, 0, 0, 0, 0, 0};
    double sum = 0, squares = 0;
    for (double value : values) {
        sum += value;
        squares += value * value;
    }
    const double mean = sum / 15, deviation = std::sqrt(squares / 15 - mean * mean);
    EXPECT_FLOAT_EQ(header.m_fDMin, 0.0f);
    EXPECT_FLOAT_EQ(header.m_fDMax, 255.0f);
    EXPECT_FLOAT_EQ(header.m_fDMean, static_cast<float>(mean));
    EXPECT_FLOAT_EQ(header.m_fRms, static_cast<float>(deviation));
    for (int i = 0; i < 15; ++i) {
        const unsigned value = bytes[MRC_HEADER_SIZE + 2 * i] | bytes[MRC_HEADER_SIZE + 2 * i + 1] << 8;
        EXPECT_EQ(value, static_cast<unsigned>(values[i])) << "value " << i;
    }
}

// The cell carries the pixel size in both styles; an MRC2014 stack is an image stack (MZ 1).
TEST(MrcOutputFile, CellSizeAndStacks) {
    const struct {
        MrcStyle style;
        double pixelSize;
        int sections;
        int mz;
        float cell[3];
    } cases[] = {
        {MrcStyle::Classic, 0, 1, 1, {5, 3, 1}},          {MrcStyle::Classic, 1.4, 1, 1, {7, 4.2f, 1.4f}},
        {MrcStyle::Classic, 2, 4, 4, {10, 6, 8}},         {MrcStyle::Mrc2014, 0, 1, 1, {5, 3, 1}},
        {MrcStyle::Mrc2014, 2.8, 4, 1, {14, 8.4f, 2.8f}},
    };
    for (const auto& c : cases) {
        const MrcHeader header =
            MrcHeaderFor(Describe(MRC_MODE_FLOAT, c.style, c.pixelSize, c.sections), {-1, 2, 0.5, 0.25});
        EXPECT_EQ(header.m_nNZ, c.sections);
        EXPECT_EQ(header.m_nMZ, c.mz);
        EXPECT_EQ(header.m_nIspg, 0);
        for (int i = 0; i < 3; ++i)
            EXPECT_FLOAT_EQ(header.m_fCellA[i], c.cell[i]) << c.pixelSize << " axis " << i;
        // Classic keeps the stamp of four zero bytes and one label.
        EXPECT_EQ(header.m_cMachineStamp[0], c.style == MrcStyle::Classic ? 0 : 0x44);
        EXPECT_EQ(header.m_nLabels, c.style == MrcStyle::Classic ? 1 : 2);
    }
}

// Floats go out little-endian, with their extremes and spread; a file given up leaves nothing.
TEST(MrcOutputFile, FloatsAndDiscard) {
    TempDir dir;
    MrcOutputFile file;
    MrcDescription description = Describe(MRC_MODE_FLOAT, MrcStyle::Mrc2014);
    description.height = 1;
    ASSERT_EQ(file.Open(dir.File("f.mrc"), description).outcome, RowFileOutcome::Done);
    const float values[W] = {-2.5f, 0.5f, 1.0f, 3.25f, 0.75f};
    ASSERT_TRUE(file.WriteFloats(values, W).Succeeded());
    const MrcStatistics data = file.Statistics().Data();
    EXPECT_DOUBLE_EQ(data.dmin, -2.5);
    EXPECT_DOUBLE_EQ(data.dmax, 3.25);
    EXPECT_DOUBLE_EQ(data.dmean, 0.6);
    ASSERT_TRUE(file.Close({}).Succeeded());
    const Bytes bytes = ReadFileBytes(dir.File("f.mrc"));
    ASSERT_EQ(bytes.size(), static_cast<std::size_t>(MRC_HEADER_SIZE + 4 * W));
    for (int i = 0; i < W; ++i)
        EXPECT_EQ(GetFloatLE(bytes.data() + MRC_HEADER_SIZE + 4 * i), values[i]);

    MrcOutputFile dropped;
    ASSERT_EQ(dropped.Open(dir.File("g.mrc"), description).outcome, RowFileOutcome::Done);
    ASSERT_TRUE(dropped.WriteFloats(values, W).Succeeded());
    dropped.Discard();
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);

    // A file that cannot be created, and one whose placeholder cannot be written.
    MrcOutputFile missing;
    EXPECT_EQ(missing.Open(dir.File("no/such/h.mrc"), description).outcome, RowFileOutcome::NotCreated);
    MrcOutputFile full;
    EXPECT_EQ(full.Open(dir.File("full.mrc"), description, 0,
                        [](const std::string&) {
                            std::FILE* stream = std::fopen("/dev/full", "wb");
                            std::setvbuf(stream, nullptr, _IONBF, 0);
                            return stream;
                        })
                  .outcome,
              RowFileOutcome::WriteFailed);
    EXPECT_FALSE(full.Close({}).Succeeded());
    EXPECT_FALSE(std::filesystem::exists(dir.File("full.mrc")));
}

} // namespace
} // namespace gc

namespace gc {
namespace {

// The same values give the same bytes whether they go straight to the stream or through a block of
// the writer's own, whatever the block's size against a row (larger, smaller, not a multiple); a file
// closed with fewer values than described ends after them (the space reserved up front is cut).
TEST(MrcOutputFile, BlockSizesGiveTheSameBytesAndShortFilesEndAfterTheirValues) {
    TempDir dir;
    const unsigned char rows[2][W] = {{0, 1, 127, 128, 255}, {200, 200, 10, 20, 30}};
    const float values[W] = {-2.5f, 0.5f, 1.0f, 3.25f, 0.75f};
    for (int mode : {MRC_MODE_BYTE, MRC_MODE_UINT16, MRC_MODE_FLOAT}) {
        const std::size_t sample = static_cast<std::size_t>(MrcBytesPerSample(mode));
        Bytes reference;
        for (std::size_t block : {std::size_t{0}, std::size_t{3}, std::size_t{7}, std::size_t{1} << 20}) {
            SCOPED_TRACE("mode " + std::to_string(mode) + ", block " + std::to_string(block));
            const std::string path =
                dir.File("m" + std::to_string(mode) + "b" + std::to_string(block) + ".mrc");
            MrcOutputFile file;
            ASSERT_EQ(file.Open(path, Describe(mode, MrcStyle::Mrc2014), block).outcome,
                      RowFileOutcome::Done);
            for (const auto& row : rows)
                ASSERT_TRUE(
                    (mode == MRC_MODE_FLOAT ? file.WriteFloats(values, W) : file.WriteRow(row)).Succeeded());
            ASSERT_TRUE(file.Close({}).Succeeded());
            const Bytes bytes = ReadFileBytes(path);
            // Two of the three rows described.
            ASSERT_EQ(bytes.size(), MRC_HEADER_SIZE + 2 * W * sample);
            if (reference.empty())
                reference = bytes;
            EXPECT_EQ(bytes, reference);
        }
        if (mode == MRC_MODE_UINT16)
            for (int i = 0; i < 2 * W; ++i) {
                EXPECT_EQ(reference[MRC_HEADER_SIZE + 2 * i], rows[i / W][i % W]);
                EXPECT_EQ(reference[MRC_HEADER_SIZE + 2 * i + 1], 0);
            }
    }
}

// The byte statistics are the plain sums, minimum and maximum, for counts around the 16-value steps
// and past the point where the partial sums are carried over (4096 steps), with the largest values
// (where narrow sums would overflow) and with mixed ones.
TEST(MrcDataStatistics, ByteSumsAreExactForEveryLengthAndValue) {
    for (const std::size_t count :
         {std::size_t{1}, std::size_t{15}, std::size_t{16}, std::size_t{17}, std::size_t{31}, std::size_t{32},
          std::size_t{49}, std::size_t{65536}, std::size_t{65541}, std::size_t{300007}})
        for (const bool mixed : {false, true}) {
            SCOPED_TRACE(std::to_string(count) + (mixed ? " mixed" : " all 255"));
            Bytes values(count, 255);
            if (mixed)
                for (std::size_t i = 0; i < count; ++i)
                    values[i] = static_cast<unsigned char>(37 + (i * 7919) % 211);
            std::uint64_t sum = 0, squares = 0;
            for (const unsigned char value : values) {
                sum += value;
                squares += static_cast<std::uint64_t>(value) * value;
            }
            for (const bool widest : {true, false}) {
                MrcDataStatistics statistics;
                statistics.AddBytes(values.data(), count, widest);
                EXPECT_EQ(statistics.ByteSum(), sum) << widest;
                EXPECT_EQ(statistics.ByteSumSquares(), squares) << widest;
                EXPECT_EQ(statistics.Count(), static_cast<std::int64_t>(count));
                const MrcStatistics data = statistics.Data();
                EXPECT_EQ(data.dmin, *std::min_element(values.begin(), values.end())) << widest;
                EXPECT_EQ(data.dmax, *std::max_element(values.begin(), values.end())) << widest;
            }
        }
}

// Rows put together in the writer's block (NextRowPlace) give the bytes of rows handed over from
// elsewhere, whether the block holds one row, a few or many; there is no place without a block,
// with a block smaller than a row, or for 16-bit values.
TEST(MrcOutputFile, RowsPutTogetherInPlaceGiveTheSameBytes) {
    TempDir dir;
    const unsigned char rows[4][W] = {
        {0, 1, 127, 128, 255}, {200, 200, 10, 20, 30}, {9, 8, 7, 6, 5}, {1, 2, 3, 4, 5}};
    const auto write = [&](const std::string& path, int mode, std::size_t block, bool inPlace) {
        MrcOutputFile file;
        EXPECT_EQ(file.Open(path, Describe(mode, MrcStyle::Mrc2014, 0, 2), block).outcome,
                  RowFileOutcome::Done);
        int placed = 0;
        for (const auto& row : rows) {
            unsigned char* place = inPlace ? file.NextRowPlace() : nullptr;
            if (place) {
                std::memcpy(place, row, W);
                ++placed;
            }
            EXPECT_TRUE(file.WriteRow(place ? place : row).Succeeded());
        }
        EXPECT_TRUE(file.WriteZeroRows(2).Succeeded());
        EXPECT_TRUE(file.Close({}).Succeeded());
        return std::pair{ReadFileBytes(path), placed};
    };
    const Bytes reference = write(dir.File("reference.mrc"), MRC_MODE_BYTE, 0, false).first;
    for (const auto& [mode, block, placed] : {std::tuple{MRC_MODE_BYTE, std::size_t{W}, 4},
                                              {MRC_MODE_BYTE, std::size_t{2 * W + 3}, 4},
                                              {MRC_MODE_BYTE, std::size_t{1} << 20, 4},
                                              {MRC_MODE_BYTE, std::size_t{W - 1}, 0},
                                              {MRC_MODE_BYTE, std::size_t{0}, 0},
                                              {MRC_MODE_UINT16, std::size_t{1} << 20, 0}}) {
        SCOPED_TRACE("mode " + std::to_string(mode) + ", block " + std::to_string(block));
        const std::string name = "m" + std::to_string(mode) + "b" + std::to_string(block);
        const auto [bytes, count] = write(dir.File(name + ".mrc"), mode, block, true);
        EXPECT_EQ(count, placed);
        if (mode == MRC_MODE_BYTE)
            EXPECT_EQ(bytes, reference);
        else
            EXPECT_EQ(bytes, write(dir.File(name + "-copied.mrc"), mode, block, false).first);
    }
}

} // namespace
} // namespace gc
