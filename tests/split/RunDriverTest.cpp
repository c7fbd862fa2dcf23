// The Run end to end on generated scans: placement at the generated corners, pixels, binned pixels,
// headers (our reader and python3-mrcfile), TIFF outputs, names across a batch, skip and stop paths.
#include "split/RunDriver.h"
#include "SplitTestSupport.h"
#include "core/TiffErrors.h"
#include "split/SplitMessages.h"
#include "support/TestSupport.h"
#include "tools/ScanGenerator.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace gc {
namespace {

namespace fs = std::filesystem;
using test::RecordingMessages;
using test::RecordingProgress;
using test::TempDir;

using tools::OneImageSpec;

RunSettings OneImageParameters(const std::vector<std::string>& files) {
    RunSettings parameters;
    parameters.m_nImageCount = 1;
    parameters.m_nWidthCm = 7;
    parameters.m_nHeightCm = 9;
    parameters.m_bBatchMode = files.size() > 1;
    parameters.m_strInputFiles = files;
    return parameters;
}

std::vector<tools::PlacedImage> Generate(const tools::ScanSpec& recipe, const std::string& path) {
    std::vector<tools::PlacedImage> placed;
    std::string error;
    EXPECT_TRUE(tools::GenerateScan(recipe, path, &placed, &error)) << error;
    return placed;
}

struct RunRecord {
    RecordingMessages m_messages;
    RecordingProgress m_progress;
    RunResult m_result;
    ImagePlacements m_placements;
};

void RunSplit(RunSettings& parameters, RunRecord& record) {
    RunDriver driver(parameters, record.m_messages, record.m_progress);
    record.m_result = driver.OnRun();
    record.m_placements = driver.Placements();
}

// Every row of an output against the painted scan: the rectangle, and 0 beyond the padded scan.
void ExpectRectangle(const std::vector<unsigned char>& data, const tools::ScanPainter& painter, int x0,
                     int y0, int width, int rows, int paddedWidth) {
    ASSERT_EQ(data.size(), static_cast<std::size_t>(width) * rows);
    const int inside = std::min(width, paddedWidth - x0);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width), 0);
    for (int i = 0; i < rows; ++i) {
        std::fill(row.begin(), row.end(), 0);
        painter.RenderRow(y0 + i, x0, inside, row.data());
        ASSERT_TRUE(std::equal(row.begin(), row.end(), data.begin() + static_cast<std::ptrdiff_t>(i) * width))
            << "row " << i;
    }
}

std::vector<unsigned char> BlockMeans(const std::vector<unsigned char>& pixels, int width, int rows, int b) {
    const int binnedWidth = width / b;
    std::vector<unsigned char> binned;
    binned.reserve(static_cast<std::size_t>(binnedWidth) * (rows / b));
    std::vector<int> sums(static_cast<std::size_t>(binnedWidth));
    for (int by = 0; by + b <= rows; by += b) {
        std::fill(sums.begin(), sums.end(), 0);
        for (int y = by; y < by + b; ++y)
            for (int x = 0; x < binnedWidth * b; ++x)
                sums[x / b] += pixels[static_cast<std::size_t>(y) * width + x];
        for (int sum : sums)
            binned.push_back(static_cast<unsigned char>(sum / (b * b)));
    }
    return binned;
}

void ExpectMrcHeader(const test::MrcFile& mrc, int width, int height) {
    ASSERT_TRUE(mrc.m_bRead);
    EXPECT_EQ(mrc.m_nNX, width);
    EXPECT_EQ(mrc.m_nNY, height);
    EXPECT_EQ(mrc.m_nNZ, 1);
    EXPECT_EQ(mrc.m_nMode, 0);
    EXPECT_EQ(mrc.m_fDMin, 0.0f);
    EXPECT_EQ(mrc.m_fDMax, 255.0f);
    EXPECT_EQ(mrc.m_strMap, "MAP ");
    EXPECT_EQ(mrc.m_nLabels, 1);
    EXPECT_EQ(mrc.m_strLabel, MRC_SPLIT_LABEL);
    float mean = 0, rms = 0;
    test::ExpectedStatistics(mrc.m_data, static_cast<std::int64_t>(width) * height, mean, rms);
    EXPECT_EQ(mrc.m_fDMean, mean);
    EXPECT_EQ(mrc.m_fRms, rms);
}

// NX NY MODE DMIN DMAX DMEAN RMS label and the pixel sum as python3-mrcfile reads them.
std::string MrcfileSummary(const std::string& path) {
    const std::string script =
        "import sys, warnings, mrcfile, numpy\n"
        "warnings.simplefilter('ignore')\n"
        "with mrcfile.open(sys.argv[1], permissive=True) as m:\n"
        "    h = m.header\n"
        "    d = m.data.view(numpy.uint8).astype(numpy.int64)\n"
        "    print(int(h.nx), int(h.ny), int(h.mode), float(h.dmin), float(h.dmax), repr(float(h.dmean)),\n"
        "          repr(float(h.rms)), h.label[0].decode().split(chr(0))[0], int(d.sum()), d.shape)\n";
    std::string output;
    const int status =
        test::RunCommand(std::string(GC_PYTHON) + " -c \"" + script + "\" '" + path + "'", &output);
    return status == 0 ? output : std::string(GC_PYTHON) + " failed: " + output;
}

TEST(RunEndToEnd, SixImagesMrcWithBinningTwo) {
    TempDir dir;
    const std::string path = dir.File("plate.tif");
    tools::ScanSpec recipe; // 36000 × 30000, six 8 × 10 cm images
    const std::vector<tools::PlacedImage> placed = Generate(recipe, path);
    ASSERT_EQ(placed.size(), 6u);

    RunSettings parameters = OneImageParameters({path});
    parameters.m_nImageCount = 6;
    parameters.m_nWidthCm = 8;
    parameters.m_nHeightCm = 10;
    parameters.m_nBinning = 2;
    RunRecord record;
    RunSplit(parameters, record);
    EXPECT_EQ(record.m_result.m_outcome, RunOutcome::Done);
    EXPECT_EQ(record.m_messages.Texts(), std::vector<std::string>{MSG_RUN_COMPLETE});
    EXPECT_EQ(record.m_progress.m_nLower, 0);
    EXPECT_EQ(record.m_progress.m_nUpper, 100);
    EXPECT_EQ(record.m_progress.m_positions.front(), 10);
    EXPECT_EQ(record.m_progress.m_positions.back(), 100);

    const tools::ScanPainter painter(recipe, placed);
    const int paddedWidth = 36096; // 141 tiles of 256
    for (const tools::PlacedImage& image : placed) {
        const int k = image.m_nIndex;
        SCOPED_TRACE("image " + std::to_string(k + 1));
        EXPECT_EQ(record.m_placements[k].m_nState, PLACEMENT_FOUND);
        EXPECT_EQ(record.m_placements[k].m_nX0, image.m_nX);
        EXPECT_EQ(record.m_placements[k].m_nY0, image.m_nY);

        const std::string stem = dir.File("plate_" + std::to_string(k + 1));
        const test::MrcFile full = test::ReadMrc(stem + ".mrc");
        const int rows = std::min(14300, 30208 - image.m_nY);
        ExpectMrcHeader(full, 11625, 14300);
        ExpectRectangle(full.m_data, painter, image.m_nX, image.m_nY, 11625, rows, paddedWidth);

        const test::MrcFile binned = test::ReadMrc(stem + "_2X2.mrc");
        ExpectMrcHeader(binned, 5812, 7150);
        EXPECT_TRUE(binned.m_data == BlockMeans(full.m_data, 11625, rows, 2));
    }
    // The independent reader agrees on the header and the pixels.
    const test::MrcFile first = test::ReadMrc(dir.File("plate_1.mrc"));
    std::uint64_t sum = 0;
    for (unsigned char value : first.m_data)
        sum += value;
    std::ostringstream expected;
    expected << "11625 14300 0 0.0 255.0 ";
    const std::string summary = MrcfileSummary(dir.File("plate_1.mrc"));
    EXPECT_EQ(summary.rfind(expected.str(), 0), 0u) << summary;
    EXPECT_NE(summary.find(std::string(MRC_SPLIT_LABEL) + " " + std::to_string(sum) + " (14300, 11625)"),
              std::string::npos)
        << summary;
    char mean[64];
    std::snprintf(mean, sizeof mean, "%.17g", static_cast<double>(first.m_fDMean));
    EXPECT_NE(summary.find(std::string(" ") + mean), std::string::npos) << summary << " mean " << mean;
    const std::string binnedSummary = MrcfileSummary(dir.File("plate_6_2X2.mrc"));
    EXPECT_EQ(binnedSummary.rfind("5812 7150 0 0.0 255.0 ", 0), 0u) << binnedSummary;
}

TEST(RunEndToEnd, OneImageTiffOutputWithBinningThree) {
    TempDir dir;
    const std::string path = dir.File("scan.tif");
    tools::ScanSpec recipe = OneImageSpec();
    recipe.m_compression = tools::ScanCompression::Lzw;
    const std::vector<tools::PlacedImage> placed = Generate(recipe, path);
    ASSERT_EQ(placed.size(), 1u);
    RunSettings parameters = OneImageParameters({path});
    parameters.m_bOutputTiff = true;
    parameters.m_nBinning = 3;
    RunRecord record;
    RunSplit(parameters, record);
    EXPECT_EQ(record.m_messages.Texts(), std::vector<std::string>{MSG_RUN_COMPLETE});
    EXPECT_EQ(record.m_placements[0].m_nX0, placed[0].m_nX);
    EXPECT_EQ(record.m_placements[0].m_nY0, placed[0].m_nY);

    const test::TiffImage full = test::ReadTiff(dir.File("scan_1.tif"));
    ASSERT_TRUE(full.m_bRead);
    EXPECT_EQ(full.m_nWidth, 10171u);
    EXPECT_EQ(full.m_nHeight, 12870u);
    EXPECT_EQ(full.m_nRowsPerStrip, 1u);
    EXPECT_EQ(full.m_nStrips, 12870u);
    EXPECT_EQ(full.m_nCompression, COMPRESSION_LZW);
    EXPECT_EQ(full.m_nPhotometric, PHOTOMETRIC_MINISBLACK);
    // The scan's sampling is kept: the same unit, B times fewer pixels per inch in the binned copy.
    EXPECT_EQ(full.m_nResolutionUnit, RESUNIT_INCH);
    EXPECT_FLOAT_EQ(full.m_fXResolution, static_cast<float>(recipe.m_dResolution));
    EXPECT_FLOAT_EQ(full.m_fYResolution, static_cast<float>(recipe.m_dYResolution));
    const tools::ScanPainter painter(recipe, placed);
    ExpectRectangle(full.m_pixels, painter, placed[0].m_nX, placed[0].m_nY, 10171, 12870, 10496);

    const test::TiffImage binned = test::ReadTiff(dir.File("scan_1_3X3.tif"));
    ASSERT_TRUE(binned.m_bRead);
    EXPECT_EQ(binned.m_nResolutionUnit, RESUNIT_INCH);
    EXPECT_FLOAT_EQ(binned.m_fXResolution, static_cast<float>(recipe.m_dResolution) / 3);
    EXPECT_FLOAT_EQ(binned.m_fYResolution, static_cast<float>(recipe.m_dYResolution) / 3);
    EXPECT_EQ(binned.m_nWidth, 3390u);
    EXPECT_EQ(binned.m_nHeight, 4290u);
    EXPECT_EQ(binned.m_nStrips, 4290u);
    EXPECT_EQ(binned.m_nCompression, COMPRESSION_LZW);
    EXPECT_TRUE(binned.m_pixels == BlockMeans(full.m_pixels, 10171, 12870, 3));
    EXPECT_FALSE(fs::exists(dir.File("scan_1.mrc")));
}

TEST(RunEndToEnd, InputWithRowsPerStripGetsOneRowPerStrip) {
    TempDir dir;
    const tools::ScanSpec recipe = OneImageSpec();
    const std::vector<tools::PlacedImage> placed = tools::PlanPlacements(recipe);
    ASSERT_EQ(placed.size(), 1u);
    const tools::ScanPainter painter(recipe, placed);
    const std::string path = dir.File("rows.tif");
    ASSERT_TRUE(test::WriteTiledScan(
        path, recipe.m_nWidth, recipe.m_nHeight, 256, 256,
        [&](int x, int y) { return x < recipe.m_nWidth && y < recipe.m_nHeight ? painter.Pixel(x, y) : 0; },
        COMPRESSION_NONE, 256));
    RunSettings parameters = OneImageParameters({path});
    parameters.m_bOutputTiff = true;
    parameters.m_nBinning = 2;
    RecordingMessages messages;
    RecordingProgress progress;
    RunDriver driver(parameters, messages, progress);
    EXPECT_EQ(driver.OnRun().m_outcome, RunOutcome::Done);
    EXPECT_TRUE(driver.Geometry().m_bHasRowsPerStrip);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{MSG_RUN_COMPLETE});
    for (const char* name : {"rows_1.tif", "rows_1_2X2.tif"}) {
        const test::TiffImage output = test::ReadTiff(dir.File(name));
        EXPECT_TRUE(output.m_bRead) << name;
        EXPECT_EQ(output.m_nRowsPerStrip, 1u) << name;
        EXPECT_EQ(output.m_nStrips, output.m_nHeight) << name;
    }
}

TEST(RunEndToEnd, NamesAcrossABatch) {
    TempDir dir;
    fs::create_directories(dir.Path() / "scans.old");
    fs::create_directories(dir.Path() / "out.v");
    const std::string first = (dir.Path() / "scans.old" / "a.tif").string();
    Generate(OneImageSpec(), first);
    const std::string second = (dir.Path() / "scans.old" / "b.tif").string();
    const std::string third = (dir.Path() / "scans.old" / "c.x.tif").string();
    fs::copy_file(first, second);
    fs::copy_file(first, third);

    // Start number 0007 over the batch, into an output directory with a dot.
    RunSettings parameters = OneImageParameters({first, second, third});
    parameters.m_bStartNumber = true;
    parameters.m_strStartNumber = "0007";
    parameters.m_bOutputDir = true;
    parameters.m_strOutputDir = (dir.Path() / "out.v").string() + "/";
    RunRecord numbered;
    RunSplit(parameters, numbered);
    EXPECT_EQ(numbered.m_messages.Texts(), std::vector<std::string>{MSG_RUN_COMPLETE});
    for (const char* name : {"a_7.mrc", "b_8.mrc", "c_9.mrc"})
        EXPECT_TRUE(fs::exists(dir.Path() / "out.v" / name)) << name;
    // Batch progress: the last file's last tile reaches 100.
    EXPECT_EQ(numbered.m_progress.m_positions.back(), 100);

    // The append string alone, next to the inputs; the same scan gives the same pixels.
    parameters.m_bStartNumber = false;
    parameters.m_bOutputDir = false;
    parameters.m_bAppendString = true;
    parameters.m_strAppendString = "run";
    RunRecord appended;
    RunSplit(parameters, appended);
    for (const char* name : {"run_1.mrc", "run_2.mrc", "run_3.mrc"})
        EXPECT_TRUE(fs::exists(dir.Path() / "scans.old" / name)) << name;
    EXPECT_TRUE(test::ReadFileBytes((dir.Path() / "scans.old" / "run_3.mrc").string()) ==
                test::ReadFileBytes((dir.Path() / "out.v" / "a_7.mrc").string()));
}

// A stop asked for while a scan is being finished (after its last row of tiles) ends the Run before
// the next scan is opened: the scan done stays, nothing of the next one is begun.
TEST(RunStops, AStopBetweenScansEndsTheRunBeforeTheNext) {
    class StopAfterFirstScan final : public Progress {
    public:
        void SetRange(int, int) override {}
        void SetPos(int) override {}
        bool StopRequested() const override { return m_bStop; }
        bool m_bStop = false;
    };
    TempDir dir;
    const std::string first = dir.File("a.tif");
    Generate(OneImageSpec(), first);
    const std::string second = dir.File("b.tif");
    fs::copy_file(first, second);
    RunSettings parameters = OneImageParameters({first, second});
    test::RecordingMessages messages;
    StopAfterFirstScan progress;
    RunDriver driver(parameters, messages, progress);
    std::vector<std::string> started;
    driver.m_fnScanStarted = [&started](const std::string& path, int, int) { started.push_back(path); };
    driver.m_fnScanDone = [&progress](const ScanRecord&, const PlacementPreview*, const SplitResult&) {
        progress.m_bStop = true;
    };
    const RunResult result = driver.OnRun();
    EXPECT_EQ(result.m_outcome, RunOutcome::Interrupted);
    EXPECT_EQ(driver.Records().size(), 1u);
    EXPECT_TRUE(fs::exists(dir.File("a_1.mrc")));
    EXPECT_FALSE(fs::exists(dir.File("b_1.mrc")));
    EXPECT_TRUE(messages.m_shown.empty()) << "no \"Run Complete.\" after a stop";
    EXPECT_LE(started.size(), 1u);
}

TEST(RunEndToEnd, SkippedFilesAndTheRunGoesOn) {
    TempDir dir;
    const std::string good = dir.File("good.tif");
    Generate(OneImageSpec(), good);
    const std::string strip = dir.File("strip.tif");
    ASSERT_TRUE(test::WriteFormatTiff(strip, 64, 64, 1, 8, PLANARCONFIG_CONTIG));
    const std::string sixteen = dir.File("sixteen.tif");
    ASSERT_TRUE(test::WriteFormatTiff(sixteen, 64, 64, 1, 16, PLANARCONFIG_CONTIG, 16, 16));
    const std::string text = dir.File("notes.tif");
    test::WriteFileBytes(text, {'n', 'o', 't', ' ', 'a', ' ', 't', 'i', 'f', 'f'});
    const std::string last = dir.File("last.tif");
    fs::copy_file(good, last);

    RunSettings parameters = OneImageParameters({good, strip, sixteen, text, last});
    RunRecord record;
    RunSplit(parameters, record);
    EXPECT_EQ(record.m_result.m_outcome, RunOutcome::Done);
    EXPECT_EQ(record.m_result.m_nSkippedFiles, 3);
    EXPECT_EQ(record.m_result.m_nDoneFiles, 2);
    const std::vector<std::string> texts = record.m_messages.Texts();
    ASSERT_EQ(texts.size(), 5u);
    EXPECT_EQ(texts[0], strip + MSG_STRIP_ENCODED);
    EXPECT_EQ(texts[1], MSG_ONLY_8_BIT);
    // The TIFF library's own error comes first, captioned with its reporter.
    EXPECT_EQ(record.m_messages.m_shown[2].m_kind, MessageKind::Warning);
    EXPECT_TRUE(record.m_messages.m_shown[2].m_strCaption.ends_with(" Error")) << texts[2];
    EXPECT_EQ(texts[3], text + MSG_INVALID_TIFF);
    EXPECT_EQ(texts[4], MSG_RUN_COMPLETE);
    EXPECT_TRUE(fs::exists(dir.File("good_1.mrc")));
    EXPECT_TRUE(fs::exists(dir.File("last_1.mrc")));
    EXPECT_FALSE(fs::exists(dir.File("strip_1.mrc")));
}

TEST(RunStops, RgbEndsTheRunAfterItsMessagesButNotThePreviewPass) {
    TempDir dir;
    const std::string rgb = dir.File("rgb.tif");
    ASSERT_TRUE(test::WriteFormatTiff(rgb, 64, 64, 3, 16, PLANARCONFIG_CONTIG, 16, 16));
    const std::string next = dir.File("next.tif");
    ASSERT_TRUE(test::WriteDarkScan(next, 10496, 13312, 256, 256));
    RunSettings parameters = OneImageParameters({rgb, next});
    RunRecord record;
    RunSplit(parameters, record);
    EXPECT_EQ(record.m_result.m_outcome, RunOutcome::FatalRgb);
    EXPECT_EQ(record.m_messages.Texts(),
              (std::vector<std::string>{MSG_ONLY_8_BIT, MSG_RGB_SKIPPED, MSG_RGB_FATAL}));
    EXPECT_EQ(record.m_messages.m_shown.back().m_kind, MessageKind::Error);

    // The preview's pass over the same scans: the RGB scan is only reported and the next one is
    // searched; nothing is written and no closing message follows.
    RecordingMessages messages;
    RecordingProgress progress;
    RunDriver driver(parameters, messages, progress);
    driver.SetDryRun(true);
    driver.SetPreview(true);
    driver.SetPreviewPass(true);
    std::vector<std::string> details;
    driver.m_fnScanDone = [&](const ScanRecord& record, const PlacementPreview*, const SplitResult& split) {
        details.push_back(record.outcome == ScanOutcome::Fatal ? split.Reason() : "");
    };
    EXPECT_EQ(driver.OnRun().m_outcome, RunOutcome::Done);
    EXPECT_EQ(messages.Texts(),
              (std::vector<std::string>{MSG_ONLY_8_BIT, MSG_RGB_SKIPPED, rgb + MSG_PREVIEW_WOULD_STOP}));
    ASSERT_EQ(details.size(), 2u);
    EXPECT_EQ(details[0], DETAIL_READING + rgb + DETAIL_RGB);
    EXPECT_EQ(details[1], "");
    EXPECT_EQ(progress.m_positions.back(), 100);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 2);
}

TEST(RunStops, ScansThatDoNotFitTheParameters) {
    TempDir dir;
    const std::string big = dir.File("big.tif");
    ASSERT_TRUE(test::WriteDarkScan(big, 36000, 30000, 512, 512));
    RunSettings nineByNine = OneImageParameters({big});
    nineByNine.m_nWidthCm = 9;
    RunRecord placedWrong;
    RunSplit(nineByNine, placedWrong);
    EXPECT_EQ(placedWrong.m_result.m_outcome, RunOutcome::FatalRead);
    EXPECT_EQ(placedWrong.m_messages.Texts(),
              (std::vector<std::string>{MSG_PLACED_INCORRECTLY, MSG_READ_ERROR}));

    const std::string small = dir.File("small.tif");
    ASSERT_TRUE(test::WriteDarkScan(small, 9000, 7500, 512, 512));
    RunSettings defaults = OneImageParameters({small});
    defaults.m_nWidthCm = 8;
    defaults.m_nHeightCm = 10;
    RunRecord tooSmall;
    RunSplit(defaults, tooSmall);
    EXPECT_EQ(tooSmall.m_result.m_outcome, RunOutcome::FatalRead);
    EXPECT_EQ(tooSmall.m_messages.Texts(), (std::vector<std::string>{MSG_BINNED_IMAGE, MSG_READ_ERROR}));

    // Tiles longer than the band holds.
    const std::string tall = dir.File("tall.tif");
    ASSERT_TRUE(test::WriteDarkScan(tall, 10496, 13312, 128, 1024));
    RunRecord band;
    RunSettings oneImage = OneImageParameters({tall});
    RunSplit(oneImage, band);
    EXPECT_EQ(band.m_result.m_outcome, RunOutcome::FatalRead);
    EXPECT_EQ(band.m_messages.Texts(), std::vector<std::string>{MSG_READ_ERROR});
}

TEST(RunStops, OutputThatCannotBeCreated) {
    TempDir dir;
    const std::string path = dir.File("scan.tif");
    Generate(OneImageSpec(), path);
    RunSettings parameters = OneImageParameters({path});
    parameters.m_bOutputDir = true;
    parameters.m_strOutputDir = dir.File("missing") + "/";
    RunRecord mrc;
    RunSplit(parameters, mrc);
    EXPECT_EQ(mrc.m_result.m_outcome, RunOutcome::FatalWrite);
    EXPECT_EQ(mrc.m_messages.Texts(), std::vector<std::string>{MSG_WRITE_ERROR});

    parameters.m_bOutputTiff = true;
    RunRecord tiff;
    RunSplit(parameters, tiff);
    EXPECT_EQ(tiff.m_result.m_outcome, RunOutcome::FatalRead);
    ASSERT_FALSE(tiff.m_messages.Texts().empty());
    EXPECT_EQ(tiff.m_messages.Texts().back(), MSG_READ_ERROR);
}

// Points the first tile of a little-endian classic TIFF beyond the end of the file.
bool MoveFirstTileBeyondTheEnd(const std::string& path) {
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    auto read32 = [&](std::streamoff at) {
        unsigned char bytes[4] = {};
        file.seekg(at);
        file.read(reinterpret_cast<char*>(bytes), 4);
        return static_cast<std::uint32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16 | bytes[3] << 24);
    };
    const std::uint32_t directory = read32(4);
    const std::uint32_t entries = read32(directory) & 0xffff;
    for (std::uint32_t i = 0; i < entries; ++i) {
        const std::streamoff entry = directory + 2 + 12 * static_cast<std::streamoff>(i);
        if ((read32(entry) & 0xffff) != TIFFTAG_TILEOFFSETS)
            continue;
        const std::uint32_t offsets = read32(entry + 8);
        const unsigned char far[4] = {0x00, 0x00, 0x00, 0x70};
        file.seekp(offsets);
        file.write(reinterpret_cast<const char*>(far), 4);
        return static_cast<bool>(file);
    }
    return false;
}

TEST(RunStops, TileBeyondTheEndOfTheFile) {
    // The scan is read with plain reads, never mapped: a tile that lies beyond the end of the file
    // fails with the library's short-read message, and the Run stops with the read error.
    TempDir dir;
    const std::string path = dir.File("cut.tif");
    ASSERT_TRUE(test::WriteDarkScan(path, 10496, 13312, 256, 256));
    ASSERT_TRUE(MoveFirstTileBeyondTheEnd(path));
    RunSettings parameters = OneImageParameters({path});
    RunRecord record;
    RunSplit(parameters, record);
    EXPECT_EQ(record.m_result.m_outcome, RunOutcome::FatalRead);
    const std::vector<std::string> texts = record.m_messages.Texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_NE(texts[0].find("tile 0; got 0 bytes"), std::string::npos) << texts[0];
    EXPECT_EQ(texts[1], MSG_READ_ERROR);
}

TEST(RunEndToEnd, InputsThatDoNotOpenGetTheLibrarysOwnMessages) {
    TempDir dir;
    const std::string missing = dir.File("missing.tif");
    const std::string text = dir.File("notes.tif");
    test::WriteFileBytes(text, {'n', 'o', 't', ' ', 'a', ' ', 't', 'i', 'f', 'f'});
    RecordingMessages expected;
    {
        TiffErrorScope errors(expected);
        for (const std::string& path : {missing, text}) {
            TIFF* tiff = TIFFOpen(path.c_str(), "r");
            EXPECT_EQ(tiff, nullptr);
            expected.Warning(path + MSG_INVALID_TIFF);
        }
    }
    expected.Information(MSG_RUN_COMPLETE);
    RunSettings parameters = OneImageParameters({missing, text});
    RunRecord record;
    RunSplit(parameters, record);
    EXPECT_EQ(record.m_result.m_nSkippedFiles, 2);
    EXPECT_EQ(record.m_messages.Texts(), expected.Texts());
    ASSERT_EQ(record.m_messages.m_shown.size(), expected.m_shown.size());
    for (std::size_t i = 0; i < expected.m_shown.size(); ++i)
        EXPECT_EQ(record.m_messages.m_shown[i].m_strCaption, expected.m_shown[i].m_strCaption) << i;
}

TEST(RunEndToEnd, ScanWithoutImagesCompletesSilently) {
    TempDir dir;
    const std::string path = dir.File("dark.tif");
    ASSERT_TRUE(test::WriteDarkScan(path, 10496, 13312, 256, 256));
    RunSettings parameters = OneImageParameters({path});
    parameters.m_nImageCount = 3;
    RecordingMessages messages;
    RecordingProgress progress;
    RunDriver driver(parameters, messages, progress);
    // The end hook runs after the bar reached 100, before "Run Complete.".
    std::size_t messagesAtEnd = 99;
    driver.m_fnRunEnded = [&] {
        messagesAtEnd = messages.m_shown.size();
        EXPECT_EQ(progress.m_positions.back(), 100);
    };
    EXPECT_EQ(driver.OnRun().m_outcome, RunOutcome::Done);
    EXPECT_EQ(messagesAtEnd, 0u);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{MSG_RUN_COMPLETE});
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
}

} // namespace
} // namespace gc
