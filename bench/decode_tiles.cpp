// decode-tiles [--threads N] SCAN: the floor of the Run's benchmarks. Reads and decodes every tile of
// a tiled TIFF once, on N threads (default 1) that take the tiles in file order as they become free,
// writes nothing, and prints the bytes decoded.
#include "BenchSupport.h"

#include <tiffio.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    int threads = 1;
    int first = 1;
    if (argc == 4 && std::strcmp(argv[1], "--threads") == 0) {
        threads = std::atoi(argv[2]);
        first = 3;
    }
    if (argc != first + 1 || threads < 1) {
        std::fprintf(stderr, "usage: decode-tiles [--threads N] SCAN\n");
        return 2;
    }
    TIFFSetWarningHandler(nullptr);
    const std::uint64_t bytes = gc::bench::DecodeAllTiles(argv[first], threads);
    std::printf("%llu bytes decoded\n", static_cast<unsigned long long>(bytes));
    return bytes > 0 ? 0 : 1;
}
