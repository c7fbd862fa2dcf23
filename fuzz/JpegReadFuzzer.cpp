// Feeds arbitrary bytes to the JPEG reader through an in-memory file, with messages dropped.
#include "image/JpegCodec.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// One anonymous in-memory file for the whole run, reached by its /proc path.
int InputFile() {
    static const int descriptor = memfd_create("jpeg-fuzz-input", 0);
    return descriptor;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int descriptor = InputFile();
    if (descriptor < 0 || ftruncate(descriptor, 0) != 0)
        return 0;
    if (size > 0 && pwrite(descriptor, data, size, 0) != static_cast<ssize_t>(size))
        return 0;
    gc::SilentMessages messages;
    gc::DIBSection image;
    gc::ReadJpegFile("/proc/self/fd/" + std::to_string(descriptor), image, messages);
    return 0;
}
