// decode-tiles SCAN: the baseline of the Run's benchmark script. Reads and decodes every tile of a
// tiled TIFF once, in file order, on one thread (TIFFReadEncodedTile), and prints the bytes decoded.
#include "BenchSupport.h"

#include <tiffio.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: decode-tiles SCAN\n");
        return 2;
    }
    TIFFSetWarningHandler(nullptr);
    const std::uint64_t bytes = gc::bench::ReadAllTiles(argv[1]);
    std::printf("%llu bytes decoded\n", static_cast<unsigned long long>(bytes));
    return bytes > 0 ? 0 : 1;
}
