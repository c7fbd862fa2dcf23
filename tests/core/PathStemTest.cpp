// The path stems output names are made from: only the file name's dots count.
#include "core/PathStem.h"

#include <gtest/gtest.h>

namespace gc {
namespace {

TEST(PathStem, CutsTheFileNameAtItsFirstOrLastDot) {
    const struct {
        const char* path;
        const char* toFirst;
        const char* toLast;
    } cases[] = {
        {"/d/m.v1.mrc", "/d/m", "/d/m.v1"},
        {"/d.x/scans.old/m", "/d.x/scans.old/m", "/d.x/scans.old/m"},
        {"m.tif", "m", "m"},
        {"m", "m", "m"},
        {"/d/.hidden", "/d/", "/d/"},
        {"/d/m.", "/d/m", "/d/m"},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StemToFirstDot(c.path), c.toFirst) << c.path;
        EXPECT_EQ(StemToLastDot(c.path), c.toLast) << c.path;
    }
    EXPECT_EQ(FirstDotOfFileName("/a.b/c"), std::string::npos);
    EXPECT_EQ(LastDotOfFileName("/a.b/c"), std::string::npos);
    EXPECT_EQ(FileNameStart("/a.b/c.d"), 5u);
}

} // namespace
} // namespace gc
