// Every input kept under tests/fuzz/<target>/ (a fuzzer finding, or a hostile file found otherwise)
// goes once more through what that fuzz target does with it. The test passes when none of them
// crashes, traps or, in the sanitizer build, trips a sanitizer.
#include "FuzzTargets.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace gc {
namespace {

struct Target {
    const char* m_szFolder;
    void (*m_fnRun)(const std::uint8_t*, std::size_t);
};

const Target TARGETS[] = {
    {"bmp_decode_fuzzer", fuzz::DecodeBmpInput}, {"jpeg_read_fuzzer", fuzz::ReadJpegInput},
    {"tiff_read_fuzzer", fuzz::ReadTiffInput},   {"mrc_read_fuzzer", fuzz::ReadMrcInput},
    {"scan_split_fuzzer", fuzz::SplitScanInput}, {"coords_parse_fuzzer", fuzz::ParseCoordinatesInput},
    {"plan_read_fuzzer", fuzz::ReadPlanInput},   {"merge_part_fuzzer", fuzz::MergePartInput},
};

TEST(FuzzFindings, KeptInputsRunThroughTheirTargetsWithoutFault) {
    const std::filesystem::path root = std::filesystem::path(GC_TESTS_DIR) / "fuzz";
    int inputs = 0;
    for (const Target& target : TARGETS) {
        const std::filesystem::path folder = root / target.m_szFolder;
        if (!std::filesystem::is_directory(folder))
            continue;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            SCOPED_TRACE(entry.path().string());
            const std::vector<unsigned char> bytes = test::ReadFileBytes(entry.path().string());
            target.m_fnRun(bytes.data(), bytes.size());
            ++inputs;
        }
    }
    EXPECT_GT(inputs, 0) << "no kept inputs under " << root;
}

} // namespace
} // namespace gc
