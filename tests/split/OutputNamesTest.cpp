#include "split/OutputNames.h"

#include <gtest/gtest.h>

namespace gc {
namespace {

// Names of images 1..3 of a.tif and then b.tif, as a batch of two files asks for them.
std::vector<std::string> BatchNames(const RunSettings& parameters) {
    OutputNamer namer(parameters);
    std::vector<std::string> names;
    for (const char* input : {"/s/a.tif", "/s/b.tif"})
        for (int image = 1; image <= 3; ++image)
            names.push_back(namer.MakeImageName(input, image).m_strPath);
    return names;
}

TEST(OutputNamer, NoNamingFlagNumbersTheImages) {
    EXPECT_EQ(BatchNames({}), (std::vector<std::string>{"/s/a_1.tif", "/s/a_2.tif", "/s/a_3.tif",
                                                        "/s/b_1.tif", "/s/b_2.tif", "/s/b_3.tif"}));
}

TEST(OutputNamer, StartNumberIsSharedAcrossTheBatch) {
    RunSettings parameters;
    parameters.m_bStartNumber = true;
    parameters.m_strStartNumber = "0007";
    EXPECT_EQ(BatchNames(parameters),
              (std::vector<std::string>{"/s/a_7.tif", "/s/a_8.tif", "/s/a_9.tif", "/s/b_10.tif",
                                        "/s/b_11.tif", "/s/b_12.tif"}));
    parameters.m_strStartNumber = ""; // never typed: numbering starts at 0
    EXPECT_EQ(BatchNames(parameters).front(), "/s/a_0.tif");
    parameters.m_strStartNumber = "0001";
    EXPECT_EQ(BatchNames(parameters).front(), "/s/a_1.tif");
}

TEST(OutputNamer, AppendStringReplacesTheStem) {
    RunSettings parameters;
    parameters.m_bAppendString = true;
    parameters.m_strAppendString = "run";
    EXPECT_EQ(BatchNames(parameters),
              (std::vector<std::string>{"/s/run_1.tif", "/s/run_2.tif", "/s/run_3.tif", "/s/run_4.tif",
                                        "/s/run_5.tif", "/s/run_6.tif"}));
    parameters.m_bStartNumber = true;
    parameters.m_strStartNumber = "12";
    EXPECT_EQ(BatchNames(parameters)[3], "/s/run_15.tif");
}

TEST(OutputNamer, DotsInFolderNamesAndOutputDirectories) {
    RunSettings parameters;
    OutputNamer namer(parameters);
    const ImageName name = namer.MakeImageName("/d/scans.old/plate.tif", 1);
    EXPECT_EQ(name.m_strPath, "/d/scans.old/plate_1.tif");
    EXPECT_EQ(name.m_nDot, std::string("/d/scans.old/plate_1").size());
    EXPECT_EQ(MrcNameOf(name).m_strPath, "/d/scans.old/plate_1.mrc");

    parameters.m_bOutputDir = true;
    parameters.m_strOutputDir = "/data/out.v/";
    OutputNamer toFolder(parameters);
    const ImageName moved = toFolder.MakeImageName("/d/scans.old/plate.x.tif", 2);
    EXPECT_EQ(moved.m_strPath, "/data/out.v/plate_2.x.tif");
    EXPECT_EQ(BinnedNameOf(MrcNameOf(moved), 2).m_strPath, "/data/out.v/plate_2_2X2.mrc");

    parameters.m_strOutputDir = ""; // box ticked, no folder chosen: relative to the current directory
    OutputNamer bare(parameters);
    EXPECT_EQ(bare.MakeImageName("/d/plate.tif", 3).m_strPath, "plate_3.tif");
}

TEST(OutputNamer, AppendStringWithADotKeepsNamesApart) {
    // The MRC names are cut at the input's extension, so "v1.2_1" and "v1.2_2" stay distinct; the
    // binned names take their "_2X2" at the first "." of the file name, which keeps them apart too.
    RunSettings parameters;
    parameters.m_bAppendString = true;
    parameters.m_strAppendString = "v1.2";
    OutputNamer namer(parameters);
    const ImageName first = namer.MakeImageName("/s/a.tif", 1);
    const ImageName second = namer.MakeImageName("/s/a.tif", 2);
    EXPECT_EQ(first.m_strPath, "/s/v1.2_1.tif");
    EXPECT_EQ(MrcNameOf(first).m_strPath, "/s/v1.2_1.mrc");
    EXPECT_EQ(MrcNameOf(second).m_strPath, "/s/v1.2_2.mrc");
    EXPECT_EQ(BinnedNameOf(second, 2).m_strPath, "/s/v1_2X2.2_2.tif");
    EXPECT_EQ(BinnedNameOf(MrcNameOf(first), 3).m_strPath, "/s/v1_3X3.2_1.mrc");
    EXPECT_EQ(BinnedNameOf(MrcNameOf(second), 3).m_strPath, "/s/v1_3X3.2_2.mrc");

    parameters.m_bOutputDir = true;
    parameters.m_strOutputDir = "/o.d/";
    OutputNamer toFolder(parameters);
    const ImageName moved = toFolder.MakeImageName("/s/a.b.tif", 1);
    EXPECT_EQ(moved.m_strPath, "/o.d/v1.2_1.b.tif");
    EXPECT_EQ(MrcNameOf(moved).m_strPath, "/o.d/v1.2_1.mrc");
    EXPECT_EQ(BinnedNameOf(moved, 4).m_strPath, "/o.d/v1_4X4.2_1.b.tif");
}

TEST(OutputNamer, InputWithoutExtension) {
    OutputNamer namer(RunSettings{});
    const ImageName name = namer.MakeImageName("/s.d/scan", 1);
    EXPECT_EQ(name.m_strPath, "/s.d/scan_1");
    EXPECT_EQ(MrcNameOf(name).m_strPath, "/s.d/scan_1.mrc");
    EXPECT_EQ(BinnedNameOf(MrcNameOf(name), 2).m_strPath, "/s.d/scan_1_2X2.mrc");
}

} // namespace
} // namespace gc
