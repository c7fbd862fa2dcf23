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

// Two sections of WIDTH × HEIGHT values FileValue(mode, k), k counting on over both.
Bytes MrcBytes(int mode) {
    MrcHeader header;
    header.SetImage(WIDTH, HEIGHT, mode, 2);
    const auto headerBytes = header.Bytes();
    Bytes file(headerBytes.begin(), headerBytes.end());
    for (int k = 0; k < 2 * WIDTH * HEIGHT; ++k) {
        unsigned char value[4] = {};
        if (mode == MRC_MODE_FLOAT)
            PutFloatLE(value, static_cast<float>(FileValue(mode, k)));
        else
            PutInt32LE(value, static_cast<std::int32_t>(FileValue(mode, k)));
        file.insert(file.end(), value, value + MrcBytesPerSample(mode));
    }
    return file;
}

TEST(PickValues, BoxesHoldTheSectionsOwnValues) {
    for (const int mode : {MRC_MODE_BYTE, MRC_MODE_INT16, MRC_MODE_UINT16, MRC_MODE_FLOAT}) {
        test::TempDir dir;
        const std::string path = dir.File("m.v1.mrc");
        test::WriteFileBytes(path, MrcBytes(mode));
        ImageDocument document;
        test::RecordingMessages messages;
        ASSERT_EQ(document.OpenFile(path, messages), OpenOutcome::Opened);
        const DIBSection* image = document.GetImage(1);
        PickState state;
        state.m_strOpenFilePath = path;
        state.m_bPickMode = 1;
        state.m_nMaskSize = 4;
        ASSERT_EQ(AddPick(state, image, {5, 6}), AddPickResult::Added);
        const SavePicksResult result =
            SavePicks(state, image, messages, {[] { return test::PickTestTime(); }, {}}, {path, 1});
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

TEST(PickValues, AFileThatNoLongerGivesItsValuesIsReported) {
    test::TempDir dir;
    const std::string path = dir.File("m.mrc");
    test::WriteFileBytes(path, MrcBytes(MRC_MODE_FLOAT));
    ImageDocument document;
    test::RecordingMessages messages;
    ASSERT_EQ(document.OpenFile(path, messages), OpenOutcome::Opened);
    const DIBSection* image = document.GetImage(0);
    // Replaced by a file of another size after it was opened.
    MrcHeader other;
    other.SetImage(WIDTH, HEIGHT - 1, MRC_MODE_FLOAT);
    const auto otherBytes = other.Bytes();
    Bytes replaced(otherBytes.begin(), otherBytes.end());
    replaced.resize(replaced.size() + 4 * WIDTH * (HEIGHT - 1));
    test::WriteFileBytes(path, replaced);
    PickState state;
    state.m_strOpenFilePath = path;
    state.m_bPickMode = 1;
    state.m_nMaskSize = 4;
    ASSERT_EQ(AddPick(state, image, {5, 6}), AddPickResult::Added);
    ASSERT_EQ(AddPick(state, image, {5, 2}), AddPickResult::Added);
    const SavePicksResult result =
        SavePicks(state, image, messages, {[] { return test::PickTestTime(); }, {}}, {path, 0});
    EXPECT_EQ(result.m_outcome, SavePicksOutcome::SavedWithErrors);
    EXPECT_TRUE(result.m_written.empty());
    EXPECT_EQ(result.m_coordinateFiles.size(), 2u);
    ASSERT_EQ(messages.m_shown.size(), 1u);
    EXPECT_EQ(messages.m_shown[0].m_strText, pick_text::CANNOT_READ_VALUES + path);
}

} // namespace
} // namespace gc
