// Feeds arbitrary bytes to the viewer's TIFF reader through an in-memory file, with messages dropped:
// lists the directories, reads each listed one and formats the properties report of directory 0.
// A read that claims success without a valid image of the listed size is a fault of its own.
#include "document/TiffProperties.h"
#include "image/TiffCodec.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// One anonymous in-memory file for the whole run, reached by its /proc path.
int InputFile() {
    static const int descriptor = memfd_create("tiff-fuzz-input", 0);
    return descriptor;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int descriptor = InputFile();
    if (descriptor < 0 || ftruncate(descriptor, 0) != 0)
        return 0;
    if (size > 0 && pwrite(descriptor, data, size, 0) != static_cast<ssize_t>(size))
        return 0;
    const std::string path = "/proc/self/fd/" + std::to_string(descriptor);

    gc::SilentMessages messages;
    gc::TiffDirList directories;
    gc::ListTiffDirectories(path, directories, messages);
    for (const gc::TiffDirEntry& entry : directories) {
        gc::DIBSection image;
        if (gc::ReadTiffImage(path, image, entry.m_nDirectory, messages) == gc::TiffReadOutcome::Read &&
            (!image.IsValid() || image.GetWidth() != entry.m_nWidth || image.GetHeight() != entry.m_nHeight))
            __builtin_trap();
    }
    gc::GrowArray<std::string> lines;
    gc::FormatTiffProperties(path, 0, lines, messages);
    return 0;
}
