#include "split/ImageOutput.h"
#include "SplitTestSupport.h"
#include "core/PendingFile.h"
#include "split/SplitMessages.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

namespace gc {
namespace {

using test::TempDir;

OutputSettings Settings(bool tiff, int width, int height, int binning) {
    OutputSettings settings;
    settings.m_bTiff = tiff;
    settings.m_nBinning = binning;
    settings.m_nWidth = width;
    settings.m_nHeight = height;
    if (binning != 0) {
        settings.m_nBinnedWidth = width / binning;
        settings.m_nBinnedHeight = height / binning;
    }
    return settings;
}

ImageName NameIn(const TempDir& dir, const std::string& file) {
    const std::string path = dir.File(file);
    return {path, FirstDotOfFileName(path)};
}

// Rows of values (x · 37 + y · 11) mod 256.
std::vector<unsigned char> Pattern(int width, int height) {
    std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels[static_cast<std::size_t>(y) * width + x] =
                static_cast<unsigned char>((x * 37 + y * 11) % 256);
    return pixels;
}

// Truncated b × b block means of the complete blocks.
std::vector<unsigned char> BlockMeans(const std::vector<unsigned char>& pixels, int width, int rows, int b) {
    const int binnedWidth = width / b;
    std::vector<unsigned char> binned;
    for (int by = 0; by + b <= rows; by += b)
        for (int bx = 0; bx < binnedWidth; ++bx) {
            int sum = 0;
            for (int y = by; y < by + b; ++y)
                for (int x = bx * b; x < bx * b + b; ++x)
                    sum += pixels[static_cast<std::size_t>(y) * width + x];
            binned.push_back(static_cast<unsigned char>(sum / (b * b)));
        }
    return binned;
}

RunOutcome WriteImage(ImageOutput& output, const std::vector<unsigned char>& pixels, int width, int rows) {
    for (int i = 0; i < rows; ++i) {
        const RunOutcome result =
            output.WriteRow(pixels.data() + static_cast<std::size_t>(i) * width).outcome;
        if (result != RunOutcome::Done)
            return result;
    }
    return RunOutcome::Done;
}

TEST(OutputNames, MrcAndBinnedNamesWorkOnTheFileNameOnly) {
    const ImageName name{"/data/out.v/plate_1.tif", FirstDotOfFileName("/data/out.v/plate_1.tif")};
    EXPECT_EQ(MrcNameOf(name).m_strPath, "/data/out.v/plate_1.mrc");
    EXPECT_EQ(BinnedNameOf(name, 2).m_strPath, "/data/out.v/plate_1_2X2.tif");
    EXPECT_EQ(BinnedNameOf(MrcNameOf(name), 3).m_strPath, "/data/out.v/plate_1_3X3.mrc");
    EXPECT_EQ(BinnedNameOf(MrcNameOf(name), 4).m_strPath, "/data/out.v/plate_1_4X4.mrc");
    const ImageName twoDots{"/d/plate_1.v2.tif", FirstDotOfFileName("/d/plate_1.v2.tif")};
    EXPECT_EQ(MrcNameOf(twoDots).m_strPath, "/d/plate_1.mrc");
    EXPECT_EQ(BinnedNameOf(twoDots, 2).m_strPath, "/d/plate_1_2X2.v2.tif");
}

TEST(ImageOutput, MrcWithBinningTwo) {
    TempDir dir;
    constexpr int W = 7, H = 5;
    std::vector<unsigned char> pixels = Pattern(W, H);
    // The first block is 0, 1, 1, 1: its truncated mean is 0.
    pixels[0] = 0;
    pixels[1] = 1;
    pixels[W] = 1;
    pixels[W + 1] = 1;
    ImageOutput output;
    ASSERT_EQ(output.Open(NameIn(dir, "plate_1.tif"), Settings(false, W, H, 2)).outcome, RunOutcome::Done);
    EXPECT_EQ(output.Name(), dir.File("plate_1.mrc"));
    EXPECT_EQ(output.BinnedName(), dir.File("plate_1_2X2.mrc"));
    ASSERT_EQ(WriteImage(output, pixels, W, H), RunOutcome::Done);

    // Before the finish nothing is under the final names; both temporaries carry the cleared header.
    std::fflush(nullptr);
    EXPECT_FALSE(std::filesystem::exists(dir.File("plate_1.mrc")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("plate_1_2X2.mrc")));
    int temporaries = 0;
    const auto cleared = MrcHeader().Bytes();
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        ASSERT_TRUE(IsPendingFileName(entry.path().filename().string())) << entry.path();
        EXPECT_EQ(test::ReadMrc(entry.path().string()).m_header,
                  std::vector<unsigned char>(cleared.begin(), cleared.end()));
        ++temporaries;
    }
    EXPECT_EQ(temporaries, 2);

    ASSERT_EQ(output.Finish().outcome, RunOutcome::Done);
    const test::MrcFile full = test::ReadMrc(dir.File("plate_1.mrc"));
    EXPECT_EQ(full.m_nNX, W);
    EXPECT_EQ(full.m_nNY, H);
    EXPECT_EQ(full.m_nNZ, 1);
    EXPECT_EQ(full.m_nMode, 0);
    EXPECT_EQ(full.m_fDMin, 0.0f);
    EXPECT_EQ(full.m_fDMax, 255.0f);
    EXPECT_EQ(full.m_strMap, "MAP ");
    EXPECT_EQ(full.m_nLabels, 1);
    EXPECT_EQ(full.m_strLabel, MRC_SPLIT_LABEL);
    EXPECT_EQ(full.m_data, pixels);
    float mean = 0, rms = 0;
    test::ExpectedStatistics(pixels, W * H, mean, rms);
    EXPECT_EQ(full.m_fDMean, mean);
    EXPECT_EQ(full.m_fRms, rms);

    const test::MrcFile binned = test::ReadMrc(dir.File("plate_1_2X2.mrc"));
    EXPECT_EQ(binned.m_nNX, 3);
    EXPECT_EQ(binned.m_nNY, 2);
    const std::vector<unsigned char> means = BlockMeans(pixels, W, H, 2);
    EXPECT_EQ(binned.m_data, means);
    EXPECT_EQ(binned.m_data[0], 0);
    test::ExpectedStatistics(means, 3 * 2, mean, rms);
    EXPECT_EQ(binned.m_fDMean, mean);
    EXPECT_EQ(binned.m_fRms, rms);
}

TEST(ImageOutput, ConstantImageAndNominalCount) {
    TempDir dir;
    std::vector<unsigned char> pixels(20 * 10, 200);
    ImageOutput output;
    ASSERT_EQ(output.Open(NameIn(dir, "flat_1.tif"), Settings(false, 20, 10, 0)).outcome, RunOutcome::Done);
    ASSERT_EQ(WriteImage(output, pixels, 20, 10), RunOutcome::Done);
    ASSERT_EQ(output.Finish().outcome, RunOutcome::Done);
    const test::MrcFile flat = test::ReadMrc(dir.File("flat_1.mrc"));
    EXPECT_EQ(flat.m_fDMean, 200.0f);
    EXPECT_EQ(flat.m_fRms, 0.0f);
    EXPECT_FALSE(std::filesystem::exists(dir.File("flat_1_2X2.mrc")));

    // Four of ten rows delivered: NY stays 10, the file is completed with six zero rows, and the mean is
    // still over 200 pixels. The binned copy (b = 3) gets its one complete block, then zeros.
    ImageOutput partial;
    ASSERT_EQ(partial.Open(NameIn(dir, "part_1.tif"), Settings(false, 20, 10, 3)).outcome, RunOutcome::Done);
    ASSERT_EQ(WriteImage(partial, pixels, 20, 4), RunOutcome::Done);
    ASSERT_EQ(partial.Finish().outcome, RunOutcome::Done);
    const test::MrcFile part = test::ReadMrc(dir.File("part_1.mrc"));
    EXPECT_EQ(part.m_nNY, 10);
    ASSERT_EQ(part.m_data.size(), 200u);
    EXPECT_EQ(std::vector<unsigned char>(part.m_data.begin() + 80, part.m_data.end()),
              std::vector<unsigned char>(120, 0));
    EXPECT_EQ(part.m_fDMean, 80.0f);
    const test::MrcFile partBinned = test::ReadMrc(dir.File("part_1_3X3.mrc"));
    EXPECT_EQ(partBinned.m_nNY, 3);
    ASSERT_EQ(partBinned.m_data.size(), 18u);
    EXPECT_EQ(std::vector<unsigned char>(partBinned.m_data.begin(), partBinned.m_data.begin() + 6),
              std::vector<unsigned char>(6, 200));
    EXPECT_EQ(partBinned.m_fDMean, 1200.0f / 18);
}

TEST(ImageOutput, BinningThreeDropsTheLastPartialBlocks) {
    TempDir dir;
    constexpr int W = 11, H = 8; // 11 = 3·3 + 2 columns, 8 = 3·2 + 2 rows
    const std::vector<unsigned char> pixels = Pattern(W, H);
    ImageOutput output;
    ASSERT_EQ(output.Open(NameIn(dir, "p_1.tif"), Settings(false, W, H, 3)).outcome, RunOutcome::Done);
    ASSERT_EQ(WriteImage(output, pixels, W, H), RunOutcome::Done);
    ASSERT_EQ(output.Finish().outcome, RunOutcome::Done);
    const test::MrcFile binned = test::ReadMrc(dir.File("p_1_3X3.mrc"));
    EXPECT_EQ(binned.m_nNX, 3);
    EXPECT_EQ(binned.m_nNY, 2);
    EXPECT_EQ(binned.m_data, BlockMeans(pixels, W, H, 3));
}

TEST(ImageOutput, TiffOutputsCopyTheInputsCompression) {
    TempDir dir;
    constexpr int W = 9, H = 9;
    const std::vector<unsigned char> pixels = Pattern(W, H);
    OutputSettings settings = Settings(true, W, H, 4);
    settings.m_nCompression = COMPRESSION_LZW;
    ImageOutput output;
    ASSERT_EQ(output.Open(NameIn(dir, "plate_2.tif"), settings).outcome, RunOutcome::Done);
    ASSERT_EQ(WriteImage(output, pixels, W, H), RunOutcome::Done);
    ASSERT_EQ(output.Finish().outcome, RunOutcome::Done);

    const test::TiffImage full = test::ReadTiff(dir.File("plate_2.tif"));
    ASSERT_TRUE(full.m_bRead);
    EXPECT_EQ(full.m_nWidth, 9u);
    EXPECT_EQ(full.m_nHeight, 9u);
    EXPECT_EQ(full.m_nRowsPerStrip, 1u);
    EXPECT_EQ(full.m_nStrips, 9u);
    EXPECT_EQ(full.m_nCompression, COMPRESSION_LZW);
    EXPECT_EQ(full.m_nPhotometric, PHOTOMETRIC_MINISBLACK);
    EXPECT_EQ(full.m_nResolutionUnit, RESUNIT_NONE);
    EXPECT_EQ(full.m_nPlanarConfig, PLANARCONFIG_CONTIG);
    EXPECT_EQ(full.m_nBitsPerSample, 8);
    EXPECT_EQ(full.m_nSamplesPerPixel, 1);
    EXPECT_EQ(full.m_pixels, pixels);

    const test::TiffImage binned = test::ReadTiff(dir.File("plate_2_4X4.tif"));
    ASSERT_TRUE(binned.m_bRead);
    EXPECT_EQ(binned.m_nWidth, 2u);
    EXPECT_EQ(binned.m_nHeight, 2u);
    EXPECT_EQ(binned.m_nCompression, COMPRESSION_LZW);
    EXPECT_EQ(binned.m_pixels, BlockMeans(pixels, W, H, 4));
    EXPECT_FALSE(std::filesystem::exists(dir.File("plate_2.mrc")));
}

TEST(ImageOutput, FilesThatCannotBeCreated) {
    TempDir dir;
    const ImageName missing{dir.File("no/such/dir/plate_1.tif"),
                            FirstDotOfFileName(dir.File("no/such/dir/plate_1.tif"))};
    ImageOutput mrc;
    EXPECT_EQ(mrc.Open(missing, Settings(false, 4, 4, 0)).outcome, RunOutcome::FatalWrite);
    ImageOutput tiff;
    EXPECT_EQ(tiff.Open(missing, Settings(true, 4, 4, 0)).outcome, RunOutcome::FatalRead);
}

TEST(ImageOutput, FailedWritesLeaveNoFileAndSayWhy) {
    TempDir dir;
    const std::vector<unsigned char> pixels(64 * 64, 9);
    for (bool tiff : {false, true}) {
        SCOPED_TRACE(tiff ? "TIFF" : "MRC");
        {
            // The rows stay in the stream buffer; the finish runs into the file size limit.
            test::FileSizeLimit limit(2000);
            ImageOutput output;
            ASSERT_EQ(output.Open(NameIn(dir, "full_1.tif"), Settings(tiff, 64, 64, 2)).outcome,
                      RunOutcome::Done);
            OutputResult result;
            for (int i = 0; i < 64 && result.Succeeded(); ++i)
                result = output.WriteRow(pixels.data() + static_cast<std::size_t>(i) * 64);
            if (result.Succeeded())
                result = output.Finish();
            EXPECT_EQ(result.outcome, RunOutcome::FatalWrite);
            const std::string reason = result.Reason();
            EXPECT_NE(reason.find("writing " + dir.Path().string() + "/full_1"), std::string::npos) << reason;
            EXPECT_NE(reason.find(": File too large"), std::string::npos) << reason;
        }
        EXPECT_TRUE(std::filesystem::is_empty(dir.Path()))
            << "neither the files nor their temporaries remain";
    }
}

} // namespace
} // namespace gc

namespace gc {
namespace {

// The library writes JPEG only in strips of a multiple of 8 rows, and outputs have one row a strip:
// outputs of a JPEG scan are written with Deflate, the others keep the scan's compression.
TEST(ImageOutput, TiffOutputsOfAJpegScanAreDeflated) {
    TempDir dir;
    constexpr int W = 9, H = 9;
    const std::vector<unsigned char> pixels = Pattern(W, H);
    const std::uint16_t cases[][2] = {{COMPRESSION_JPEG, COMPRESSION_ADOBE_DEFLATE},
                                      {COMPRESSION_OJPEG, COMPRESSION_ADOBE_DEFLATE},
                                      {COMPRESSION_LZW, COMPRESSION_LZW},
                                      {COMPRESSION_NONE, COMPRESSION_NONE}};
    for (const auto& [scan, written] : cases) {
        ScanGeometry geometry;
        geometry.m_nCompression = scan;
        geometry.m_nExpectedWidth = W;
        geometry.m_nExpectedHeight = H;
        const OutputSettings settings = OutputSettings::For(geometry, true, 0);
        ImageOutput output;
        ASSERT_EQ(output.Open(NameIn(dir, "plate_1.tif"), settings).outcome, RunOutcome::Done) << scan;
        ASSERT_EQ(WriteImage(output, pixels, W, H), RunOutcome::Done) << scan;
        ASSERT_EQ(output.Finish().outcome, RunOutcome::Done) << scan;
        const test::TiffImage image = test::ReadTiff(dir.File("plate_1.tif"));
        EXPECT_EQ(image.m_nCompression, written) << scan;
        EXPECT_EQ(image.m_pixels, pixels) << scan;
    }
}

// TIFF outputs carry the chosen pixel size as pixels per centimetre (the binned copy B times
// coarser), so readers of TIFF micrographs take it; without one they keep the scan's sampling.
TEST(ImageOutput, TiffResolutionCarriesThePixelSize) {
    TempDir dir;
    constexpr int W = 12, H = 8;
    const struct {
        double pixelSize;
        std::uint16_t unit;
        float full, binned; // X/YResolution of the full-size and the 2 × 2 binned file
    } cases[] = {
        {1.4, RESUNIT_CENTIMETER, static_cast<float>(1e8 / 1.4), static_cast<float>(1e8 / 2.8)},
        {0.5, RESUNIT_CENTIMETER, 2e8f, 1e8f},
        {0, RESUNIT_INCH, 4000, 2000}, // no pixel size: the scan's 4000 pixels per inch
    };
    for (const auto& c : cases) {
        ScanGeometry geometry;
        geometry.m_nExpectedWidth = W;
        geometry.m_nExpectedHeight = H;
        geometry.m_nBinnedWidth = W / 2;
        geometry.m_nBinnedHeight = H / 2;
        geometry.m_nResolutionUnit = RESUNIT_INCH;
        geometry.m_fXResolution = geometry.m_fYResolution = 4000;
        RunSettings parameters;
        parameters.m_bOutputTiff = true;
        parameters.m_nBinning = 2;
        ImageOutput output;
        ASSERT_EQ(
            output.Open(NameIn(dir, "plate_1.tif"), OutputSettings::For(geometry, parameters, c.pixelSize))
                .outcome,
            RunOutcome::Done);
        ASSERT_EQ(WriteImage(output, Pattern(W, H), W, H), RunOutcome::Done);
        ASSERT_EQ(output.Finish().outcome, RunOutcome::Done);
        for (const auto& [name, resolution] :
             {std::pair{"plate_1.tif", c.full}, std::pair{"plate_1_2X2.tif", c.binned}}) {
            const test::TiffImage image = test::ReadTiff(dir.File(name));
            EXPECT_EQ(image.m_nResolutionUnit, c.unit) << name << " " << c.pixelSize;
            EXPECT_FLOAT_EQ(image.m_fXResolution, resolution) << name << " " << c.pixelSize;
            EXPECT_FLOAT_EQ(image.m_fYResolution, resolution) << name << " " << c.pixelSize;
        }
    }
}

} // namespace
} // namespace gc
