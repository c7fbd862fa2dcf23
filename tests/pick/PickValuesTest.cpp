// Boxes picked on an image read from an MRC file hold the file's values, in every mode the viewer
// reads; a file that no longer gives them is reported and its boxes are left out.
#include "pick/PickValues.h"
#include "PickTestImages.h"
#include "document/ImageDocument.h"
#include "image/MrcHeader.h"
#include "pick/PickMessages.h"
#include "pick/PickOperations.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>

namespace gc {
namespace {

using Bytes = std::vector<unsigned char>;

constexpr int WIDTH = 12, HEIGHT = 9;

// Value k of the file, as each mode stores it: bytes above 127, negative integers, fractions.
double FileValue(int mode, int k) {
    switch (mode) {
    case MRC_MODE_BYTE:
        return (k * 37) % 256;
    case MRC_MODE_INT16:
        return k * 173 - 20000;
    case MRC_MODE_UINT16:
        return k * 300;
    default:
        return k * 0.75 - 40.125;
    }
}

// `sections` sections of WIDTH × height values FileValue(mode, k), k counting on over all of them.
Bytes MrcBytes(int mode, int height = HEIGHT, int sections = 2, double pixelSize = 0) {
    MrcHeader header;
    header.SetImage(WIDTH, height, mode, sections);
    if (pixelSize > 0)
        header.SetPixelSize(pixelSize);
    const auto headerBytes = header.Bytes();
    Bytes file(headerBytes.begin(), headerBytes.end());
    for (int k = 0; k < sections * WIDTH * height; ++k) {
        unsigned char value[4] = {};
        if (mode == MRC_MODE_FLOAT)
            PutFloatLE(value, static_cast<float>(FileValue(mode, k)));
        else
            PutInt32LE(value, static_cast<std::int32_t>(FileValue(mode, k)));
        file.insert(file.end(), value, value + MrcBytesPerSample(mode));
    }
    return file;
}

// An MRC file of MrcBytes(mode) in a folder of its own, opened as the viewer opens it, image
// `section` shown and pick mode on with boxes of 4 × 4.
struct PickedMrc {
    test::TempDir m_dir;
    std::string m_path;
    ImageDocument m_document;
    test::RecordingMessages m_messages;
    PickState m_state;
    const PixelStore* m_image = nullptr;
    int m_section = 0;

    void Open(const char* name, int mode, int section, double pixelSize = 0) {
        m_path = m_dir.File(name);
        m_section = section;
        test::WriteFileBytes(m_path, MrcBytes(mode, HEIGHT, 2, pixelSize));
        ASSERT_EQ(m_document.OpenFile(m_path, m_messages), OpenOutcome::Opened);
        m_image = m_document.GetImage(section);
        ASSERT_NE(m_image, nullptr);
        m_state = test::PickingState(m_path, 4);
    }
    // Saves the picks with the boxes' values taken from the file's section.
    SavePicksResult Save() {
        return SavePicks(m_state, m_image, m_messages, test::FixedClock(),
                         {m_path, m_section, m_document.GetMrcPixelSize()});
    }
};

TEST(PickValues, BoxesHoldTheSectionsOwnValues) {
    for (const int mode : {MRC_MODE_BYTE, MRC_MODE_INT16, MRC_MODE_UINT16, MRC_MODE_FLOAT}) {
        PickedMrc picked;
        ASSERT_NO_FATAL_FAILURE(picked.Open("m.v1.mrc", mode, 1));
        ASSERT_EQ(AddPick(picked.m_state, picked.m_image, {5, 6}), AddPickResult::Added);
        const SavePicksResult result = picked.Save();
        ASSERT_EQ(result.m_outcome, SavePicksOutcome::Saved) << mode;
        const Bytes box = test::ReadFileBytes(result.m_written.at(0));
        ASSERT_EQ(box.size(), static_cast<std::size_t>(MRC_HEADER_SIZE + 4 * 16));
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c) {
                const int k = WIDTH * HEIGHT + (6 - 2 + r) * WIDTH + (5 - 2 + c);
                EXPECT_EQ(GetFloatLE(box.data() + MRC_HEADER_SIZE + 4 * (4 * r + c)),
                          static_cast<float>(FileValue(mode, k)))
                    << "mode " << mode << " row " << r << " column " << c;
            }
    }
}

// Boxes take the micrograph's pixel size unless the save is given one; a cell of 0 gives none.
TEST(PickValues, BoxesTakeTheMicrographsPixelSize) {
    const struct {
        double filePixelSize; // 0: CELLA left as SetImage puts it (1 Å)
        bool zeroCell;
        double given;
        double expected;
    } cases[] = {{2.5, false, 0, 2.5},
                 {2.5, false, 1.4, 1.4},
                 {0, false, 0, 1.0},
                 {0, true, 0, 1.0},
                 {0, true, 3.0, 3.0}};
    for (const auto& c : cases) {
        PickedMrc picked;
        ASSERT_NO_FATAL_FAILURE(picked.Open("m.mrc", MRC_MODE_FLOAT, 0, c.filePixelSize));
        if (c.zeroCell) {
            Bytes bytes = test::ReadFileBytes(picked.m_path);
            std::memset(bytes.data() + 40, 0, 12); // CELLA
            test::WriteFileBytes(picked.m_path, bytes);
        }
        // The MRC2014 style writes 1 Å when it has no size.
        picked.m_state.mrc = {MrcStyle::Mrc2014, c.given};
        ASSERT_EQ(AddPick(picked.m_state, picked.m_image, {5, 6}), AddPickResult::Added);
        const SavePicksResult result = picked.Save();
        ASSERT_EQ(result.m_written.size(), 1u);
        const Bytes box = test::ReadFileBytes(result.m_written[0]);
        ASSERT_GE(box.size(), static_cast<std::size_t>(MRC_HEADER_SIZE));
        MrcHeader header;
        unsigned char headerBytes[MRC_HEADER_SIZE];
        std::memcpy(headerBytes, box.data(), MRC_HEADER_SIZE);
        header.SetFromBytes(headerBytes);
        EXPECT_NEAR(header.PixelSize(), c.expected, 1e-6)
            << c.filePixelSize << " " << c.zeroCell << " " << c.given;
    }
}

TEST(PickValues, AFileThatNoLongerGivesItsValuesIsReported) {
    PickedMrc picked;
    ASSERT_NO_FATAL_FAILURE(picked.Open("m.mrc", MRC_MODE_FLOAT, 0));
    // Written over in place with a shorter file after it was opened.
    test::WriteFileBytes(picked.m_path, MrcBytes(MRC_MODE_FLOAT, HEIGHT - 1, 1));
    ASSERT_EQ(AddPick(picked.m_state, picked.m_image, {5, 6}), AddPickResult::Added);
    ASSERT_EQ(AddPick(picked.m_state, picked.m_image, {5, 2}), AddPickResult::Added);
    const SavePicksResult result = picked.Save();
    EXPECT_EQ(result.m_outcome, SavePicksOutcome::SavedWithErrors);
    EXPECT_TRUE(result.m_written.empty());
    EXPECT_TRUE(result.m_coordinateFiles.empty()) << "no box was saved, so no coordinate file names one";
    ASSERT_EQ(picked.m_messages.m_shown.size(), 1u);
    EXPECT_EQ(picked.m_messages.m_shown[0].m_strText, pick_text::CANNOT_READ_VALUES + picked.m_path);
}

} // namespace
} // namespace gc
