// export keeps a greyscale image greyscale: one 8-bit sample per pixel in TIFF and BMP, the grey
// levels of the viewer's picture before any display contrast (8-bit values as they are, a 16-bit
// TIFF's upper byte, an MRC file's values spread from its minimum to its maximum); a colour image is
// written as File Save writes it. The TIFF it writes is one that stats reads. JPEG stays three equal
// components, as the viewer opens only colour JPEGs.
#include "CliRun.h"
#include "core/TiffHandle.h"
#include "document/ImageDocument.h"
#include "image/MrcHeader.h"
#include "image/TiffTestFiles.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <tiffio.h>
#include <tuple>

namespace gc {
namespace {

using test::CliRun;
using test::RunCliIn;
using test::TempDir;
using Bytes = std::vector<unsigned char>;

constexpr unsigned char SOF0[] = {0xFF, 0xC0}; // a baseline JPEG's frame header

constexpr int WIDTH = 5, HEIGHT = 3;

// A one-sample 16-bit TIFF, or a one-section float MRC file, of 0, 1, ... 14 times `step` plus `base`.
void WriteWide(const std::string& path, bool mrc, double base, double step) {
    std::vector<std::uint16_t> wide;
    std::vector<float> floats;
    for (int i = 0; i < WIDTH * HEIGHT; ++i) {
        wide.push_back(static_cast<std::uint16_t>(base + step * i));
        floats.push_back(static_cast<float>(base + step * i));
    }
    if (mrc) {
        MrcHeader header;
        header.SetImage(WIDTH, HEIGHT, MRC_MODE_FLOAT, 1);
        const auto bytes = header.Bytes();
        const auto* samples = reinterpret_cast<const unsigned char*>(floats.data());
        Bytes file(bytes.size() + 4 * floats.size());
        std::copy(bytes.begin(), bytes.end(), file.begin());
        std::copy(samples, samples + 4 * floats.size(),
                  file.begin() + static_cast<std::ptrdiff_t>(bytes.size()));
        return test::WriteFileBytes(path, file);
    }
    TiffHandle tiff(TIFFOpen(path.c_str(), "w"));
    TIFFSetField(tiff.get(), TIFFTAG_IMAGEWIDTH, WIDTH);
    TIFFSetField(tiff.get(), TIFFTAG_IMAGELENGTH, HEIGHT);
    TIFFSetField(tiff.get(), TIFFTAG_BITSPERSAMPLE, 16);
    TIFFSetField(tiff.get(), TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    for (int y = 0; y < HEIGHT; ++y)
        ASSERT_EQ(TIFFWriteScanline(tiff.get(), wide.data() + y * WIDTH, static_cast<std::uint32_t>(y), 0),
                  1);
}

// Photometric, samples per pixel and bits per sample of a TIFF, and its first row's bytes.
std::tuple<int, int, int, Bytes> LayoutOf(const std::string& path) {
    TiffHandle tiff(TIFFOpen(path.c_str(), "r"));
    std::uint16_t photometric = 0, samples = 0, bits = 0;
    if (!tiff || TIFFGetField(tiff.get(), TIFFTAG_PHOTOMETRIC, &photometric) != 1)
        return {};
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_BITSPERSAMPLE, &bits);
    Bytes row(static_cast<std::size_t>(TIFFScanlineSize(tiff.get())));
    TIFFReadScanline(tiff.get(), row.data(), 0, 0);
    return {photometric, samples, bits, row};
}

TEST(CliExport, AGreyscaleSourceExportsAsOneGreySample) {
    Bytes ramp;
    for (int i = 0; i < WIDTH * HEIGHT; ++i)
        ramp.push_back(static_cast<unsigned char>(17 * i));
    struct Case {
        const char* name;
        std::function<void(const std::string&)> make;
        Bytes firstRow; // the output's first row: the picture's grey levels
    } cases[] = {
        {"grey8.tif",
         [&](const std::string& path) { test::WriteTiff(path, {test::GreyPage(WIDTH, HEIGHT, ramp)}); },
         {0, 17, 34, 51, 68}},
        // The upper byte of each 16-bit value: 255 + 4000 i.
        {"grey16.tif",
         [](const std::string& path) { WriteWide(path, false, 255, 4000); },
         {0, 16, 32, 47, 63}},
        // -2 .. 5 spread over 0 .. 255: (v + 2) · 255 / 7, rounded.
        {"float.mrc", [](const std::string& path) { WriteWide(path, true, -2, 0.5); }, {0, 18, 36, 55, 73}},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.name);
        TempDir dir;
        const std::string source = dir.File(each.name);
        each.make(source);
        CliRun run = RunCliIn(dir, "export " + source + " out.tif");
        ASSERT_EQ(run.m_nStatus, 0) << run.m_strErr;
        EXPECT_EQ(LayoutOf(dir.File("out.tif")),
                  std::make_tuple(PHOTOMETRIC_MINISBLACK, 1, 8, each.firstRow));
        run = RunCliIn(dir, "stats out.tif");
        EXPECT_EQ(run.m_nStatus, 0) << run.m_strErr;
        // BMP: 8 bits per pixel, palette entry 200 grey 200, opening again as grey; JPEG: three
        // components (SOF0's count), so the viewer and export open it again.
        ASSERT_EQ(RunCliIn(dir, "export " + source + " out.bmp").m_nStatus, 0);
        const Bytes bmp = test::ReadFileBytes(dir.File("out.bmp"));
        ASSERT_GT(bmp.size(), 54u + 1024u);
        EXPECT_EQ(std::make_tuple(bmp[28], bmp[54 + 4 * 200]), std::make_tuple(8, 200));
        ASSERT_EQ(RunCliIn(dir, "export out.bmp again.tif").m_nStatus, 0);
        EXPECT_EQ(std::get<3>(LayoutOf(dir.File("again.tif"))), each.firstRow);
        ASSERT_EQ(RunCliIn(dir, "export " + source + " out.jpg").m_nStatus, 0);
        const Bytes jpeg = test::ReadFileBytes(dir.File("out.jpg"));
        const auto frame = std::search(jpeg.begin(), jpeg.end(), SOF0, SOF0 + 2);
        ASSERT_LT(frame + 9, jpeg.end());
        EXPECT_EQ(frame[9], 3);
        ASSERT_EQ(RunCliIn(dir, "export out.jpg again.tif").m_nStatus, 0);
    }
}

// A colour image is written byte for byte as File Save writes it; stats refuses it.
TEST(CliExport, AColourSourceExportsAsFileSaveWritesIt) {
    TempDir dir;
    test::TiffPage page = test::GreyPage(WIDTH, HEIGHT, Bytes(3 * WIDTH * HEIGHT, 90));
    page.samples = 3;
    page.photometric = PHOTOMETRIC_RGB;
    page.pixels[4] = 200;
    const std::string source = dir.File("colour.tif");
    ASSERT_TRUE(test::WriteTiff(source, {page}));
    ImageDocument document;
    SilentMessages silent;
    ASSERT_EQ(document.OpenFile(source, silent), OpenOutcome::Opened);
    for (const std::string name : {"out.tif", "out.bmp", "out.jpg"}) {
        ASSERT_EQ(document.SaveFile(dir.File("saved." + name), silent), SaveOutcome::Saved);
        ASSERT_EQ(RunCliIn(dir, "export " + source + " " + name).m_nStatus, 0);
        EXPECT_EQ(test::ReadFileBytes(dir.File(name)), test::ReadFileBytes(dir.File("saved." + name)))
            << name;
    }
    EXPECT_EQ(std::get<1>(LayoutOf(dir.File("out.tif"))), 3);
    EXPECT_EQ(RunCliIn(dir, "stats out.tif").m_nStatus, 4);
}

} // namespace
} // namespace gc
