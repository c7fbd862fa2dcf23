// The one-image scan the CLI tests split, and the options of a Run of it.
#pragma once

#include "support/TestSupport.h"
#include "tools/ScanGenerator.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>

namespace gc::test {

// The image options of a Run of one 7 × 9 cm image.
inline constexpr const char* ONE_IMAGE = "--images 1 --height-cm 9 --width-cm 7 ";

// One 7 × 9 cm image on the smallest scan the search works on (Deflate), generated once per process
// and kind. With `imageTop` > 0 the image starts at that row (and runs off the bottom when it is
// 700); `height` > 0 makes the scan that many rows high.
inline const std::string& OneImageScan(int imageTop = 0, int height = 0) {
    static TempDir folder;
    static std::map<std::pair<int, int>, std::string> paths;
    std::string& path = paths[{imageTop, height}];
    if (path.empty()) {
        tools::ScanSpec recipe = tools::OneImageSpec();
        recipe.m_compression = tools::ScanCompression::Deflate;
        if (imageTop > 0)
            recipe.m_placements = {{0, 150, imageTop, 10171, 12870}};
        if (height > 0)
            recipe.m_nHeight = height;
        path = folder.File("scan-" + std::to_string(imageTop) + "-" + std::to_string(height) + ".tif");
        std::string error;
        EXPECT_TRUE(tools::GenerateScan(recipe, path, nullptr, &error)) << error;
    }
    return path;
}

} // namespace gc::test
