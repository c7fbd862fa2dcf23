// The viewer's TIFF codec. Reading leaves all decoding (bit depths, palettes, photometric forms,
// strips or tiles, compression) to TIFFReadRGBAImage and turns its bottom-up RGBA raster into the
// bottom-up blue-green-red rows of a DIBSection, weighting each component by alpha. Writing stores
// the picture top row first, one PackBits strip per row of R, G, B bytes.
#include "TiffCodec.h"

#include "core/TiffErrors.h"
#include "image/ImageMessages.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace gc {
namespace {

struct TiffMemoryFree {
    void operator()(void* block) const { _TIFFfree(block); }
};

TiffHandle OpenTiff(const std::string& path, const char* mode) {
    return TiffHandle(TIFFOpen(path.c_str(), mode));
}

// The directory numbers the viewer uses are 16-bit. Returns whether the library entered the
// directory. A directory it reads only in part (a required field missing) still counts: it keeps the
// fields it did read, so it is listed with its size and read into a black image, like any directory
// the library cannot decode. A directory whose entries cannot be fetched at all (an offset past the
// end, a zero entry count, a loop) does not: the handle keeps the fields of the directory it was on
// before, which would list or open another directory's picture under this number.
bool SelectDirectory(TIFF* handle, int directory) {
    const std::uint16_t number = static_cast<std::uint16_t>(directory);
    TIFFSetDirectory(handle, number);
    return TIFFCurrentDirectory(handle) == number;
}

void ReadSize(TIFF* handle, std::uint32_t& width, std::uint32_t& height) {
    width = 0;
    height = 0;
    TIFFGetField(handle, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(handle, TIFFTAG_IMAGELENGTH, &height);
}

// One component weighted by alpha, both 0..255: c·A / 255 rounded to nearest, so an opaque pixel
// (A = 255) keeps its value exactly and a transparent one (A = 0) becomes black.
inline unsigned char Weighted(unsigned component, unsigned alpha) {
    return static_cast<unsigned char>((component * alpha + 127) / 255);
}

} // namespace

int ListTiffDirectories(const std::string& path, TiffDirList& list, Messages& messages) {
    TiffErrorScope errors(messages);
    TiffHandle handle = OpenTiff(path, "r");
    if (!handle)
        return 0;
    const int count = static_cast<std::uint16_t>(TIFFNumberOfDirectories(handle.get()));
    int appended = 0;
    for (int i = 0; i < count; ++i) {
        if (!SelectDirectory(handle.get(), i))
            continue;
        std::uint32_t width, height;
        ReadSize(handle.get(), width, height);
        if (width != 0 && height != 0) {
            list.Add({static_cast<int>(width), static_cast<int>(height), i});
            ++appended;
        }
    }
    return appended;
}

TiffReadOutcome ReadTiffImage(const std::string& path, DIBSection& image, int directory, Messages& messages) {
    image.Destroy(); // an image from an earlier read never passes for this one
    TiffErrorScope errors(messages);
    TiffHandle handle = OpenTiff(path, "r");
    if (!handle)
        return TiffReadOutcome::NotRead;
    if (!SelectDirectory(handle.get(), directory))
        return TiffReadOutcome::NotRead;
    std::uint32_t width, height;
    ReadSize(handle.get(), width, height);
    // The raster and the picture are allocated only for a picture within the viewer's bitmap limit.
    if (!FitsViewImageLimit(width, height))
        return TiffReadOutcome::TooLarge;
    if (width == 0 || height == 0)
        return TiffReadOutcome::NotRead;

    const std::size_t pixels = static_cast<std::size_t>(width) * height;
    std::unique_ptr<std::uint32_t, TiffMemoryFree> raster(
        static_cast<std::uint32_t*>(_TIFFmalloc(static_cast<tmsize_t>(pixels * sizeof(std::uint32_t)))));
    if (!raster)
        return TiffReadOutcome::NotRead;
    image.Create(static_cast<int>(width), static_cast<int>(height), 24);
    if (!image.IsValid())
        return TiffReadOutcome::NotRead;
    if (TIFFReadRGBAImage(handle.get(), width, height, raster.get(), 0) == 0)
        return TiffReadOutcome::NotRead;

    // Raster words hold R, G, B, A in their bytes 0 to 3 (R in the lowest byte); raster row 0 is the
    // bottom row, as memory row 0 of the image is.
    for (std::uint32_t row = 0; row < height; ++row) {
        const std::uint32_t* source = raster.get() + static_cast<std::size_t>(row) * width;
        unsigned char* target = image.MemoryRow(static_cast<int>(row));
        for (std::uint32_t x = 0; x < width; ++x) {
            const std::uint32_t word = source[x];
            const unsigned alpha = TIFFGetA(word);
            target[3 * x] = Weighted(TIFFGetB(word), alpha);
            target[3 * x + 1] = Weighted(TIFFGetG(word), alpha);
            target[3 * x + 2] = Weighted(TIFFGetR(word), alpha);
        }
    }
    return TiffReadOutcome::Read;
}

int WriteTiffImage(TIFF* handle, const DIBSection& image, PictureChannels channels) {
    if (handle == nullptr || !image.IsValid() || image.GetWidth() <= 0 || image.GetHeight() <= 0 ||
        image.GetBitsPerPixel() < 24)
        return 0;
    const int width = image.GetWidth();
    const int height = image.GetHeight();
    TIFFSetField(handle, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(width));
    TIFFSetField(handle, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(height));
    TIFFSetField(handle, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(handle, TIFFTAG_COMPRESSION, COMPRESSION_PACKBITS);
    const bool grey = channels == PictureChannels::Grey;
    const int samples = grey ? 1 : 3;
    TIFFSetField(handle, TIFFTAG_PHOTOMETRIC, grey ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB);
    TIFFSetField(handle, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(handle, TIFFTAG_ROWSPERSTRIP, 1);
    TIFFSetField(handle, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(handle, TIFFTAG_RESOLUTIONUNIT, RESUNIT_NONE);
    TIFFSetField(handle, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);

    const int bytesPerPixel = image.GetBitsPerPixel() / 8;
    std::vector<unsigned char> row(static_cast<std::size_t>(width) * static_cast<std::size_t>(samples));
    bool written = true;
    for (int i = 0; i < height && written; ++i) {
        std::memset(row.data(), 0, row.size());
        const unsigned char* source = image.MemoryRow(height - 1 - i);
        for (int x = 0; x < width; ++x) {
            const unsigned char* pixel = source + static_cast<std::size_t>(x) * bytesPerPixel;
            if (grey) {
                row[x] = pixel[0];
                continue;
            }
            row[3 * x] = pixel[2];
            row[3 * x + 1] = pixel[1];
            row[3 * x + 2] = pixel[0];
        }
        written = TIFFWriteScanline(handle, row.data(), static_cast<std::uint32_t>(i), 0) == 1;
    }
    // The last strip and the directory are written here; a failure there loses the file as surely.
    if (written)
        written = TIFFFlush(handle) != 0;
    return written ? width * height : 0;
}

int WriteTiffFile(const std::string& path, const DIBSection& image, Messages& messages,
                  const std::string& shownName, PictureChannels channels) {
    if (!image.IsValid() || image.GetWidth() == 0 || image.GetHeight() == 0)
        return 0;
    TiffErrorScope errors(messages);
    const std::string& name = shownName.empty() ? path : shownName;
    // What TIFFOpen (path, "w") does, with the library given `name` for its messages; never through
    // a symbolic link.
    const int descriptor = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (descriptor < 0) {
        TIFFErrorExt(nullptr, "TIFFOpen", "%s: %s", name.c_str(), std::strerror(errno));
        return 0;
    }
    TiffHandle handle(TIFFFdOpen(descriptor, name.c_str(), "w"));
    if (!handle) {
        ::close(descriptor);
        return 0;
    }
    return WriteTiffImage(handle.get(), image, channels);
}

} // namespace gc
