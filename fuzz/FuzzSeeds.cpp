// Writes the seed inputs of the fuzz targets: fuzz_seeds FOLDER makes FOLDER/bmp, FOLDER/jpeg,
// FOLDER/tiff, FOLDER/mrc, FOLDER/scan and FOLDER/coords, each with a few small valid files of the
// kinds the target reads, for the fuzzer to start from. Every file is far below the 64 KiB the inputs are
// capped at.
//
// The plan and part seeds are a plan of one scan and the report parts of a done and a refused task.
//
// The scans are 10,496 × 13,312 pixels in 512 × 512 PackBits tiles (the smallest size at which the
// Run searches for a 7 × 9 cm image): every tile's offset points at one of two shared blocks, a dark
// tile or a bright one, so the whole scan takes a few kilobytes.
#include "image/BmpCodec.h"
#include "image/JpegCodec.h"
#include "image/MrcHeader.h"
#include "image/TiffCodec.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <tiffio.h>
#include <utility>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

bool WriteBytes(const fs::path& path, const Bytes& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

void Put(Bytes& bytes, std::size_t at, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i)
        bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

// A width × height picture: a colour ramp across, a grey ramp down.
gc::DIBSection Picture(int width, int height) {
    gc::DIBSection image;
    image.Create(width, height, 24);
    for (int row = 0; row < height; ++row)
        for (int x = 0; x < width; ++x) {
            unsigned char* pixel = image.MemoryRow(row) + 3 * x;
            pixel[0] = static_cast<unsigned char>(40 * x);
            pixel[1] = static_cast<unsigned char>(60 * row);
            pixel[2] = static_cast<unsigned char>(255 - 20 * x);
        }
    return image;
}

// A BMP with a `colours`-entry palette and the given pixel array, bottom row first.
Bytes PaletteBmp(int width, int height, int bits, std::uint32_t compression, int colours,
                 const Bytes& pixels) {
    Bytes bytes(54 + 4 * colours, 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    Put(bytes, 10, static_cast<std::uint32_t>(bytes.size()), 4);
    Put(bytes, 14, 40, 4);
    Put(bytes, 18, static_cast<std::uint32_t>(width), 4);
    Put(bytes, 22, static_cast<std::uint32_t>(height), 4);
    Put(bytes, 26, 1, 2);
    Put(bytes, 28, static_cast<std::uint32_t>(bits), 2);
    Put(bytes, 30, compression, 4);
    Put(bytes, 34, static_cast<std::uint32_t>(pixels.size()), 4);
    Put(bytes, 46, static_cast<std::uint32_t>(colours), 4);
    for (int i = 0; i < colours; ++i)
        Put(bytes, 54 + 4 * i, static_cast<std::uint32_t>(0x102030 * (i + 1)), 3);
    bytes.insert(bytes.end(), pixels.begin(), pixels.end());
    Put(bytes, 2, static_cast<std::uint32_t>(bytes.size()), 4);
    return bytes;
}

bool WriteBmpSeeds(const fs::path& folder) {
    bool ok = gc::WriteBmpFile((folder / "rgb24.bmp").string(), Picture(5, 3)) == 1;
    // 8-bit 6 × 2, uncompressed rows of 8 bytes.
    ok = WriteBytes(folder / "pal8.bmp",
                    PaletteBmp(6, 2, 8, 0, 4, {0, 1, 2, 3, 0, 1, 0, 0, 3, 2, 1, 0, 3, 2, 0, 0})) &&
         ok;
    // RLE8: a run, an absolute run, end of line, a move, a run, end of bitmap.
    ok = WriteBytes(folder / "rle8.bmp",
                    PaletteBmp(8, 4, 8, 1, 4, {3, 1, 0, 3, 2, 3, 1, 0, 0, 0, 0, 2, 2, 1, 4, 3, 0, 1})) &&
         ok;
    // RLE4: alternating nibbles, an absolute run, end of bitmap.
    ok =
        WriteBytes(folder / "rle4.bmp", PaletteBmp(8, 2, 4, 2, 4, {5, 0x12, 0, 4, 0x30, 0x21, 0, 0, 0, 1})) &&
        ok;
    // 1-bit 9 × 2: rows of 4 bytes.
    ok = WriteBytes(folder / "pal1.bmp", PaletteBmp(9, 2, 1, 0, 2, {0xa5, 0x80, 0, 0, 0x5a, 0x00, 0, 0})) &&
         ok;
    return ok;
}

// A colour JPEG written with the library, baseline or progressive.
bool WriteJpeg(const fs::path& path, int width, int height, bool progressive) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    if (progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    Bytes row(static_cast<std::size_t>(width) * 3);
    while (info.next_scanline < info.image_height) {
        for (std::size_t i = 0; i < row.size(); ++i)
            row[i] = static_cast<unsigned char>(i * 7 + info.next_scanline * 13);
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return std::fclose(file) == 0;
}

bool WriteJpegSeeds(const fs::path& folder) {
    gc::SilentMessages silent;
    gc::DIBSection picture = Picture(24, 16);
    bool ok = gc::WriteJpegFile((folder / "baseline.jpg").string(), picture, 75, silent) ==
              gc::JpegWriteResult::Written;
    ok = WriteJpeg(folder / "progressive.jpg", 33, 17, true) && ok;
    return ok;
}

// Two directories: 8-bit greyscale with LZW, then 4-bit palette, each 6 × 4 in one strip.
bool WriteTwoDirectoryTiff(const fs::path& path) {
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    if (tiff == nullptr)
        return false;
    for (int page = 0; page < 2; ++page) {
        const bool palette = page == 1;
        TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, 6);
        TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, 4);
        TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, palette ? 4 : 8);
        TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(tiff, TIFFTAG_COMPRESSION, palette ? COMPRESSION_NONE : COMPRESSION_LZW);
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, palette ? PHOTOMETRIC_PALETTE : PHOTOMETRIC_MINISBLACK);
        TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 4);
        if (palette) {
            std::vector<std::uint16_t> map(16);
            for (int i = 0; i < 16; ++i)
                map[i] = static_cast<std::uint16_t>(i * 4096);
            TIFFSetField(tiff, TIFFTAG_COLORMAP, map.data(), map.data(), map.data());
        }
        Bytes strip(palette ? 12 : 24);
        for (std::size_t i = 0; i < strip.size(); ++i)
            strip[i] = static_cast<unsigned char>(i * 37);
        TIFFWriteEncodedStrip(tiff, 0, strip.data(), static_cast<tmsize_t>(strip.size()));
        TIFFWriteDirectory(tiff);
    }
    TIFFClose(tiff);
    return true;
}

bool WriteTiffSeeds(const fs::path& folder) {
    gc::SilentMessages silent;
    bool ok = gc::WriteTiffFile((folder / "rgb.tif").string(), Picture(7, 5), silent) == 35;
    ok = WriteTwoDirectoryTiff(folder / "two.tif") && ok;
    return ok;
}

// An MRC file of nx × ny × nz values of `mode` (value i is i · 37, in the mode's width), after
// `extended` bytes of extended header; big-endian numbers when `bigEndian`.
Bytes MrcSeed(int mode, int nx, int ny, int nz, int extended, bool bigEndian) {
    gc::MrcHeader header;
    header.SetImage(nx, ny, mode, nz);
    header.m_nNSymBT = extended;
    header.SetLabel("fuzz seed");
    const auto headerBytes = header.Bytes();
    Bytes bytes(headerBytes.begin(), headerBytes.end());
    if (bigEndian) {
        // Every 4-byte number of the header turned around; MAP and the machine stamp are characters.
        for (int at = 0; at < 224; at += 4)
            if (at != 208 && at != 212)
                std::reverse(bytes.begin() + at, bytes.begin() + at + 4);
        bytes[212] = bytes[213] = gc::MRC_STAMP_BIG_ENDIAN;
    }
    bytes.resize(bytes.size() + static_cast<std::size_t>(extended));
    const int width = gc::MrcBytesPerSample(mode);
    for (int i = 0; i < nx * ny * nz; ++i) {
        unsigned char sample[4];
        if (mode == gc::MRC_MODE_FLOAT)
            gc::PutFloatLE(sample, static_cast<float>(i) * 0.37f - 2.0f);
        else
            gc::PutInt32LE(sample, i * 37);
        if (bigEndian)
            std::reverse(sample, sample + width);
        bytes.insert(bytes.end(), sample, sample + width);
    }
    return bytes;
}

bool WriteMrcSeeds(const fs::path& folder) {
    bool ok = WriteBytes(folder / "bytes.mrc", MrcSeed(gc::MRC_MODE_BYTE, 5, 3, 1, 0, false));
    ok = WriteBytes(folder / "int16-stack.mrc", MrcSeed(gc::MRC_MODE_INT16, 4, 2, 3, 0, false)) && ok;
    ok = WriteBytes(folder / "float-big-endian.mrc", MrcSeed(gc::MRC_MODE_FLOAT, 3, 3, 2, 0, true)) && ok;
    ok = WriteBytes(folder / "uint16-extended.mrc", MrcSeed(gc::MRC_MODE_UINT16, 2, 2, 1, 16, false)) && ok;
    return ok;
}

// One 512 × 512 tile of `value`, PackBits: runs of 128 bytes (header 0x81 = repeat the next byte 128 times).
Bytes PackBitsTile(unsigned char value) {
    Bytes tile;
    for (int run = 0; run < 512 * 512 / 128; ++run) {
        tile.push_back(0x81);
        tile.push_back(value);
    }
    return tile;
}

// A 10,496 × 13,312 scan of 512 × 512 PackBits tiles: dark, with the tiles from (tx0, ty0) on bright
// when `image` is set, and one byte after the file that chooses the Run's outputs (FuzzTargets.h).
Bytes Scan(bool image, int tx0, int ty0, unsigned char choice) {
    constexpr int WIDTH = 10496, HEIGHT = 13312, TILE = 512;
    constexpr int ACROSS = (WIDTH + TILE - 1) / TILE, DOWN = (HEIGHT + TILE - 1) / TILE,
                  TILES = ACROSS * DOWN;
    struct Entry {
        std::uint16_t tag, type;
        std::uint32_t count, value;
    };
    const Bytes dark = PackBitsTile(0);
    const Bytes bright = PackBitsTile(200);
    constexpr std::uint32_t ENTRIES = 11;
    const std::uint32_t ifdSize = 2 + 12 * ENTRIES + 4;
    const std::uint32_t offsets = 8 + ifdSize;
    const std::uint32_t counts = offsets + 4 * TILES;
    const std::uint32_t darkAt = counts + 4 * TILES;
    const std::uint32_t brightAt = darkAt + static_cast<std::uint32_t>(dark.size());
    const Entry entries[ENTRIES] = {
        {256, 4, 1, WIDTH},      {257, 4, 1, HEIGHT},
        {258, 3, 1, 8},          {259, 3, 1, COMPRESSION_PACKBITS},
        {262, 3, 1, 1},          {277, 3, 1, 1},
        {284, 3, 1, 1},          {322, 4, 1, TILE},
        {323, 4, 1, TILE},       {324, 4, TILES, offsets},
        {325, 4, TILES, counts},
    };
    Bytes bytes(brightAt + bright.size(), 0);
    bytes[0] = bytes[1] = 'I';
    Put(bytes, 2, 42, 2);
    Put(bytes, 4, 8, 4);
    Put(bytes, 8, ENTRIES, 2);
    for (std::uint32_t i = 0; i < ENTRIES; ++i) {
        const std::size_t at = 10 + 12 * i;
        Put(bytes, at, entries[i].tag, 2);
        Put(bytes, at + 2, entries[i].type, 2);
        Put(bytes, at + 4, entries[i].count, 4);
        Put(bytes, at + 8, entries[i].value, entries[i].type == 3 && entries[i].count == 1 ? 2 : 4);
    }
    for (int t = 0; t < TILES; ++t) {
        const bool lit = image && t % ACROSS >= tx0 && t / ACROSS >= ty0;
        Put(bytes, offsets + 4 * t, lit ? brightAt : darkAt, 4);
        Put(bytes, counts + 4 * t, static_cast<std::uint32_t>((lit ? bright : dark).size()), 4);
    }
    std::copy(dark.begin(), dark.end(), bytes.begin() + darkAt);
    std::copy(bright.begin(), bright.end(), bytes.begin() + brightAt);
    bytes.push_back(choice);
    return bytes;
}

bool WriteScanSeeds(const fs::path& folder) {
    bool ok = WriteBytes(folder / "dark.tif", Scan(false, 0, 0, 0));
    ok = WriteBytes(folder / "image-mrc.tif", Scan(true, 0, 1, 0)) && ok;
    ok = WriteBytes(folder / "image-tiff-binned.tif", Scan(true, 0, 1, 0x03)) && ok;
    ok = WriteBytes(folder / "image-mrc-binned4.tif", Scan(true, 0, 0, 0x06)) && ok;
    return ok;
}

// Coordinate files as the coordinate target takes them: a format byte (0 .box, 1 .star, 2 .csv), the
// image height less one (two bytes, little-endian), then the file's text.
constexpr const char* PLAN_SEED =
    "{\"files\": [{\"path\": \"s.tif\", \"size\": 9085, \"mtime_ns\": 1796696010761261043, \"outcome\": "
    "\"done\", \"message\": null, \"images\": [{\"number\": 1, \"found\": true, \"corner\": {\"x\": 221, "
    "\"y\": 198}, \"name\": \"s_1.mrc\", \"written\": false, \"outputs\": [{\"path\": \"s_1.mrc\", \"kind\": "
    "\"full\", \"width\": 10171, \"height\": 12870}]}, {\"number\": 2, \"found\": false}]}], \"outcome\": "
    "\"done\", \"plan\": {\"scans\": 1, \"working_dir\": \"/tmp\"}, \"program\": \"gridcarver\", "
    "\"settings\": {\"append\": \"run\", \"binning\": 2, \"dry_run\": true, \"format\": \"mrc\", "
    "\"height_cm\": 9, \"images\": 2, \"magnification\": null, \"mrc2014\": false, \"output_dir\": null, "
    "\"pixel_size\": 1.5, \"start_number\": \"0007\", \"width_cm\": 7}, \"version\": \"1.0\"}";
constexpr const char* DONE_PART_SEED =
    "{\"task\": 1, \"path\": \"a.tif\", \"outcome\": \"done\", \"file\": {\"path\": \"a.tif\", \"outcome\": "
    "\"done\", \"message\": null, \"images\": [{\"number\": 1, \"found\": true, \"name\": \"a_1.mrc\", "
    "\"written\": true}]}}";
constexpr const char* REFUSED_PART_SEED = "{\"task\": 1, \"path\": \"a.tif\", \"outcome\": \"refused\", "
                                          "\"message\": \"a.tif: changed since the plan\"}";

bool WriteTextSeeds(const fs::path& folder,
                    std::initializer_list<std::pair<const char*, const char*>> seeds) {
    bool ok = true;
    for (const auto& [name, text] : seeds)
        ok = WriteBytes(folder / name, Bytes(text, text + std::strlen(text))) && ok;
    return ok;
}

bool WriteCoordinateSeeds(const fs::path& folder) {
    const struct {
        const char* name;
        unsigned char format;
        std::string text;
    } seeds[] = {
        {"picks.box", 0, "15\t35\t10\t10\n65\t25\t10\t10\n"},
        {"picks.star", 1, "data_\n\nloop_\n_rlnCoordinateX #1\n_rlnCoordinateY #2\n20 20\n70 30\n"},
        {"columns.star", 1,
         "data_images\nloop_\n_rlnMicrographName\n_rlnCoordinateY\n_rlnCoordinateX\nm.mrc 5 6\n"},
        {"picks.csv", 2, "x,y\n20,20\n70,30\n"},
    };
    bool ok = true;
    for (const auto& seed : seeds) {
        Bytes bytes = {seed.format, 59, 0}; // an image 60 rows high
        bytes.insert(bytes.end(), seed.text.begin(), seed.text.end());
        ok = WriteBytes(folder / seed.name, bytes) && ok;
    }
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds FOLDER\n");
        return 2;
    }
    const fs::path root = argv[1];
    bool ok = true;
    for (const char* kind : {"bmp", "jpeg", "tiff", "mrc", "scan", "coords", "plan", "merge"}) {
        std::error_code error;
        fs::create_directories(root / kind, error);
        ok = !error && ok;
    }
    ok = WriteBmpSeeds(root / "bmp") && ok;
    ok = WriteJpegSeeds(root / "jpeg") && ok;
    ok = WriteTiffSeeds(root / "tiff") && ok;
    ok = WriteMrcSeeds(root / "mrc") && ok;
    ok = WriteScanSeeds(root / "scan") && ok;
    ok = WriteCoordinateSeeds(root / "coords") && ok;
    ok = WriteTextSeeds(root / "plan", {{"plan.json", PLAN_SEED}}) && ok;
    ok = WriteTextSeeds(root / "merge",
                        {{"done.json", DONE_PART_SEED}, {"refused.json", REFUSED_PART_SEED}}) &&
         ok;
    if (!ok)
        std::fprintf(stderr, "fuzz_seeds: could not write every seed to %s\n", argv[1]);
    return ok ? 0 : 1;
}
