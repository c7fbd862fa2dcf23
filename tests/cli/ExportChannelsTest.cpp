// export keeps a greyscale image greyscale: one 8-bit sample per pixel in TIFF, BMP and JPEG, the grey
// levels of the viewer's picture before any display contrast (8-bit values as they are, a 16-bit
// TIFF's upper byte, an MRC file's values spread from its minimum to its maximum); a colour image is
// written as File Save writes it. The TIFF it writes is one that stats reads.
#include "CliRun.h"
#include "core/TiffHandle.h"
#include "document/ImageDocument.h"
#include "image/MrcHeader.h"
#include "image/TiffTestFiles.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <tiffio.h>

namespace gc {
namespace {

using test::CliRun;
using test::RunCliIn;
using test::TempDir;
using Bytes = std::vector<unsigned char>;

constexpr int WIDTH = 5, HEIGHT = 3;

// A 16-bit one-sample TIFF of the given values, row by row.
void WriteWideTiff(const std::string& path, const std::vector<std::uint16_t>& values) {
    TiffHandle handle(TIFFOpen(path.c_str(), "w"));
    ASSERT_TRUE(handle);
    TIFF* tiff = handle.get();
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(WIDTH));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(HEIGHT));
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 16);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 1);
    for (int y = 0; y < HEIGHT; ++y) {
        std::vector<std::uint16_t> row(values.begin() + y * WIDTH, values.begin() + (y + 1) * WIDTH);
        ASSERT_EQ(TIFFWriteScanline(tiff, row.data(), static_cast<std::uint32_t>(y), 0), 1);
    }
}

// A one-section float MRC file of the given values.
void WriteFloatMrc(const std::string& path, const std::vector<float>& values) {
    MrcHeader header;
    header.SetImage(WIDTH, HEIGHT, MRC_MODE_FLOAT, 1);
    const auto bytes = header.Bytes();
    Bytes file(bytes.begin(), bytes.end());
    for (const float value : values) {
        unsigned char sample[4];
        std::memcpy(sample, &value, sizeof sample);
        file.insert(file.end(), sample, sample + 4);
    }
    test::WriteFileBytes(path, file);
}

Bytes Ramp(int step) {
    Bytes pixels;
    for (int i = 0; i < WIDTH * HEIGHT; ++i)
        pixels.push_back(static_cast<unsigned char>(i * step));
    return pixels;
}

struct TiffLayout {
    int photometric = -1;
    int samples = -1;
    int bits = -1;
    Bytes firstRow; // the first row's bytes
};

TiffLayout LayoutOf(const std::string& path) {
    TiffLayout layout;
    TiffHandle handle(TIFFOpen(path.c_str(), "r"));
    if (!handle)
        return layout;
    std::uint16_t value = 0;
    if (TIFFGetField(handle.get(), TIFFTAG_PHOTOMETRIC, &value) == 1)
        layout.photometric = value;
    if (TIFFGetFieldDefaulted(handle.get(), TIFFTAG_SAMPLESPERPIXEL, &value) == 1)
        layout.samples = value;
    if (TIFFGetFieldDefaulted(handle.get(), TIFFTAG_BITSPERSAMPLE, &value) == 1)
        layout.bits = value;
    layout.firstRow.resize(static_cast<std::size_t>(TIFFScanlineSize(handle.get())));
    if (TIFFReadScanline(handle.get(), layout.firstRow.data(), 0, 0) != 1)
        layout.firstRow.clear();
    return layout;
}

// The number of components a JPEG file's frame header declares (-1 without one).
int JpegComponents(const Bytes& file) {
    for (std::size_t i = 2; i + 9 < file.size(); ++i)
        if (file[i] == 0xFF && file[i + 1] >= 0xC0 && file[i + 1] <= 0xC2)
            return file[i + 9];
    return -1;
}

TEST(CliExport, AGreyscaleSourceExportsAsOneGreySample) {
    const Bytes ramp = Ramp(17); // 0, 17, ..., 238
    std::vector<std::uint16_t> wide;
    std::vector<float> floats;
    for (int i = 0; i < WIDTH * HEIGHT; ++i) {
        wide.push_back(static_cast<std::uint16_t>(i * 4000 + 255)); // upper byte: i·4000 / 256
        floats.push_back(-2.0f + 0.5f * static_cast<float>(i));     // -2 .. 5 spread over 0..255
    }
    struct Case {
        const char* name;
        std::function<void(const std::string&)> make;
        Bytes firstRow; // the grey levels of the output's first row
    };
    const Case cases[] = {
        {"grey8.tif",
         [&](const std::string& path) { test::WriteTiff(path, {test::GreyPage(WIDTH, HEIGHT, ramp)}); },
         {0, 17, 34, 51, 68}},
        {"grey16.tif", [&](const std::string& path) { WriteWideTiff(path, wide); }, {0, 16, 32, 47, 63}},
        {"float.mrc", [&](const std::string& path) { WriteFloatMrc(path, floats); }, {0, 18, 36, 55, 73}},
        {"grey.bmp",
         [&](const std::string& path) {
             // A grey 24-bit BMP, written from an 8-bit TIFF by the colour path of File Save.
             const std::string tiff = path + ".tif";
             test::WriteTiff(tiff, {test::GreyPage(WIDTH, HEIGHT, ramp)});
             ImageDocument document;
             SilentMessages silent;
             ASSERT_EQ(document.OpenFile(tiff, silent), OpenOutcome::Opened);
             ASSERT_EQ(document.SaveFile(path, silent), SaveOutcome::Saved);
         },
         {0, 17, 34, 51, 68}},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.name);
        TempDir dir;
        const std::string source = dir.File(each.name);
        each.make(source);
        CliRun run = RunCliIn(dir, "export " + source + " out.tif");
        ASSERT_EQ(run.m_nStatus, 0) << run.m_strErr;
        const TiffLayout layout = LayoutOf(dir.File("out.tif"));
        EXPECT_EQ(layout.photometric, PHOTOMETRIC_MINISBLACK);
        EXPECT_EQ(layout.samples, 1);
        EXPECT_EQ(layout.bits, 8);
        EXPECT_EQ(layout.firstRow, each.firstRow);
        run = RunCliIn(dir, "stats out.tif");
        EXPECT_EQ(run.m_nStatus, 0) << run.m_strErr;

        // BMP: 8 bits per pixel with a grey palette; JPEG: one component. Both open again as the
        // same grey levels (JPEG within its loss).
        ASSERT_EQ(RunCliIn(dir, "export " + source + " out.bmp").m_nStatus, 0);
        const Bytes bmp = test::ReadFileBytes(dir.File("out.bmp"));
        ASSERT_GT(bmp.size(), 54u + 1024u);
        EXPECT_EQ(bmp[28], 8);
        EXPECT_EQ(bmp[54 + 4 * 200], 200); // palette entry 200 is grey 200
        ASSERT_EQ(RunCliIn(dir, "export out.bmp again.tif").m_nStatus, 0);
        EXPECT_EQ(LayoutOf(dir.File("again.tif")).firstRow, each.firstRow);
        ASSERT_EQ(RunCliIn(dir, "export " + source + " out.jpg").m_nStatus, 0);
        EXPECT_EQ(JpegComponents(test::ReadFileBytes(dir.File("out.jpg"))), 1);
        ASSERT_EQ(RunCliIn(dir, "export out.jpg again.tif").m_nStatus, 0);
        EXPECT_EQ(LayoutOf(dir.File("again.tif")).samples, 1);
    }
}

TEST(CliExport, AColourSourceExportsAsFileSaveWritesIt) {
    TempDir dir;
    test::TiffPage page;
    page.width = WIDTH;
    page.height = HEIGHT;
    page.samples = 3;
    page.photometric = PHOTOMETRIC_RGB;
    page.pixels = Ramp(5);
    page.pixels.resize(static_cast<std::size_t>(3 * WIDTH * HEIGHT), 90);
    const std::string source = dir.File("colour.tif");
    ASSERT_TRUE(test::WriteTiff(source, {page}));
    ImageDocument document;
    SilentMessages silent;
    ASSERT_EQ(document.OpenFile(source, silent), OpenOutcome::Opened);
    for (const char* name : {"out.tif", "out.bmp", "out.jpg"}) {
        SCOPED_TRACE(name);
        ASSERT_EQ(document.SaveFile(dir.File(std::string("saved.") + name), silent), SaveOutcome::Saved);
        ASSERT_EQ(RunCliIn(dir, "export " + source + " " + name).m_nStatus, 0);
        EXPECT_EQ(test::ReadFileBytes(dir.File(name)),
                  test::ReadFileBytes(dir.File(std::string("saved.") + name)));
    }
    EXPECT_EQ(LayoutOf(dir.File("out.tif")).samples, 3);
    // stats still refuses a colour TIFF, saying why.
    EXPECT_NE(RunCliIn(dir, "stats out.tif").m_nStatus, 0);
}

} // namespace
} // namespace gc
