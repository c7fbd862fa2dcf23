// One file, many spellings: the registry's form of a name is the same before and after the file
// exists, and whatever way the name is written.
#include "core/NameRegistry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace gc {
namespace {

namespace fs = std::filesystem;

class NameRegistryTest : public testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/gc-names-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_root = pattern;
        fs::create_directories(m_root / "scans" / "d1");
        fs::create_directory_symlink(m_root / "scans", m_root / "link");
        m_previous = fs::current_path();
        fs::current_path(m_root / "scans");
    }
    void TearDown() override {
        fs::current_path(m_previous);
        fs::remove_all(m_root);
    }
    fs::path m_root, m_previous;
};

TEST_F(NameRegistryTest, EverySpellingOfOneFileClashesBeforeAndAfterItExists) {
    const std::string absolute = (fs::canonical(m_root) / "scans" / "s_1.mrc").string();
    const char* spellings[] = {"s_1.mrc", "./s_1.mrc", "d1/../s_1.mrc", "../link/s_1.mrc", nullptr};
    for (bool exists : {false, true}) {
        if (exists)
            std::ofstream(m_root / "scans" / "s_1.mrc") << "x";
        for (const char* const* name = spellings; *name; ++name) {
            SCOPED_TRACE(std::string(*name) + (exists ? " (exists)" : ""));
            EXPECT_EQ(RegisteredName(*name), absolute);
            NameRegistry registry;
            registry.AddInput("s.tif");
            ASSERT_EQ(registry.Claim("s_1.mrc"), NameClash::None);
            EXPECT_EQ(registry.ClashOf(*name), NameClash::Output);
        }
    }
    // Other names stay apart: another folder, another file.
    NameRegistry registry;
    registry.AddOutput("s_1.mrc");
    EXPECT_EQ(registry.ClashOf("d1/s_1.mrc"), NameClash::None);
    EXPECT_EQ(registry.ClashOf("s_1.mrcs"), NameClash::None);
}

TEST_F(NameRegistryTest, InputsAndTheFilesTheirLinksLeadTo) {
    std::ofstream("s.tif") << "scan";
    fs::create_symlink(m_root / "scans" / "s.tif", m_root / "scans" / "d1" / "alias.tif");
    NameRegistry registry;
    registry.AddInput("d1/alias.tif");
    EXPECT_EQ(registry.ClashOf("d1/alias.tif"), NameClash::Input);
    EXPECT_EQ(registry.ClashOf((m_root / "link" / "s.tif").string()), NameClash::Input);
    EXPECT_EQ(registry.ClashOf("d1/s.tif"), NameClash::None);

    // An item's names are claimed together or not at all.
    std::string clashing;
    EXPECT_EQ(registry.ClaimAll({"a.mrc", "s.tif"}, clashing), NameClash::Input);
    EXPECT_EQ(clashing, "s.tif");
    EXPECT_EQ(registry.ClashOf("a.mrc"), NameClash::None);
    EXPECT_EQ(registry.ClaimAll({"a.mrc", "./a.mrc"}, clashing), NameClash::Output);
    EXPECT_EQ(registry.ClaimAll({"a.mrc", "", "a_2_bin.mrc"}, clashing), NameClash::None);
    EXPECT_EQ(registry.ClashOf("a_2_bin.mrc"), NameClash::Output);
}

} // namespace
} // namespace gc
