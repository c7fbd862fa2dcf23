// MRC files in the document: one image per section, the header report, the refusals with their
// texts, and no MRC writer behind Save.
#include "document/ImageDocument.h"

#include "document/DocumentMessages.h"
#include "image/ImageMessages.h"
#include "image/MrcHeader.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <vector>

namespace gc {
namespace {

using test::RecordingMessages;
using test::TempDir;
using Bytes = std::vector<unsigned char>;

// A 3 × 2 × 3 stack of signed 16-bit values, section k holding k·10 + (0..5) with the last value
// negative, and two labels (the second with a tab in it).
Bytes Stack() {
    MrcHeader header;
    header.SetImage(3, 2, MRC_MODE_INT16, 3);
    header.SetStatistics(-100, 100, 0.25, 12.5);
    header.SetLabel("first label");
    header.m_nLabels = 2;
    std::memcpy(header.m_cLabels[1], "second\tlabel", 12);
    const auto bytes = header.Bytes();
    Bytes file(bytes.begin(), bytes.end());
    for (int section = 0; section < 3; ++section)
        for (int i = 0; i < 6; ++i) {
            const auto value = static_cast<std::uint16_t>(i == 5 ? -100 : section * 10 + i);
            file.push_back(static_cast<unsigned char>(value));
            file.push_back(static_cast<unsigned char>(value >> 8));
        }
    return file;
}

TEST(MrcDocument, EverySectionIsAnImageAndPropertiesListTheHeader) {
    TempDir dir;
    const std::string path = dir.File("boxes.mrc");
    test::WriteFileBytes(path, Stack());
    ImageDocument document;
    RecordingMessages messages;
    ASSERT_EQ(document.OpenFile(path, messages), OpenOutcome::Opened);
    EXPECT_TRUE(messages.m_shown.empty());
    EXPECT_EQ(document.GetFileType(), FT_MRC);
    ASSERT_EQ(document.GetImageCount(), 3);
    EXPECT_EQ(document.GetImagePath(), path);
    ASSERT_NE(document.GetImage(2), nullptr);
    EXPECT_EQ(document.GetImage(2)->Width(), 3);
    EXPECT_EQ(document.GetImage(2)->Height(), 2);
    EXPECT_EQ(document.GetCurrentImage(), 2);

    ASSERT_TRUE(document.CanShowProperties());
    const std::string report = path + " has the following properties:\n"
                                      "NX NY NZ = 3 2 3\n"
                                      "MODE = 1 (16-bit signed integers)\n"
                                      "CELLA = 3 2 3\n"
                                      "CELLB = 90 90 90\n"
                                      "DMIN = -100\n"
                                      "DMAX = 100\n"
                                      "DMEAN = 0.25\n"
                                      "RMS = 12.5\n"
                                      "NSYMBT = 0\n"
                                      "NLABL = 2\n"
                                      "LABEL 1 = first label\n"
                                      "LABEL 2 = second?label\n";
    EXPECT_EQ(document.PropertiesText(messages), report);
    document.ShowProperties(messages);
    ASSERT_EQ(messages.m_shown.size(), 1u);
    EXPECT_EQ(messages.m_shown[0].m_kind, MessageKind::Information);
    EXPECT_EQ(messages.m_shown[0].m_strText, report);

    // Saving: any viewer type, but no MRC writer.
    messages.m_shown.clear();
    EXPECT_EQ(document.SaveFile(dir.File("copy.mrc"), messages), SaveOutcome::Unsupported);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{MSG_FILE_TYPE_NOT_SUPPORTED});
    EXPECT_FALSE(std::filesystem::exists(dir.File("copy.mrc")));
    EXPECT_EQ(document.SaveFile(dir.File("third.bmp"), messages), SaveOutcome::Saved);

    // A file gone since it was opened gives the heading alone, as for TIFF.
    std::filesystem::remove(path);
    EXPECT_EQ(document.PropertiesText(messages), path + " has the following properties:\n");
}

TEST(MrcDocument, RefusedFilesLeaveTheDocumentEmptyWithTheirReason) {
    TempDir dir;
    const std::string good = dir.File("good.mrc");
    test::WriteFileBytes(good, Stack());
    struct Case {
        const char* name;
        std::function<void(Bytes&)> change;
        std::uintmax_t sparseLength; // 0: the bytes as they are
        const char* message;
    };
    const auto setInt = [](Bytes& bytes, int at, std::int32_t value) {
        PutInt32LE(bytes.data() + at, value);
    };
    for (const Case& c : {
             Case{"cut.mrc", [](Bytes& b) { b.pop_back(); }, 0, MSG_MRC_TRUNCATED},
             Case{"header.mrc", [](Bytes& b) { b.resize(1000); }, 0, MSG_MRC_NO_HEADER},
             Case{"mode.mrc", [&](Bytes& b) { setInt(b, 12, 4); }, 0, MSG_MRC_UNKNOWN_MODE},
             Case{"size.mrc", [&](Bytes& b) { setInt(b, 0, 0); }, 0, MSG_MRC_BAD_SIZE},
             Case{"overflow.mrc", [&](Bytes& b) { setInt(b, 0, INT32_MAX), setInt(b, 4, INT32_MAX); }, 0,
                  MSG_MRC_BAD_SIZE},
             Case{"missing.mrc", nullptr, 0, MSG_CANT_OPEN_FILE},
         }) {
        ImageDocument document;
        RecordingMessages messages;
        ASSERT_EQ(document.OpenFile(good, messages), OpenOutcome::Opened);
        const std::string path = dir.File(c.name);
        if (c.change) {
            Bytes bytes = Stack();
            c.change(bytes);
            test::WriteFileBytes(path, bytes);
            if (c.sparseLength != 0)
                std::filesystem::resize_file(path, c.sparseLength);
        }
        EXPECT_EQ(document.OpenFile(path, messages), OpenOutcome::NoImage) << c.name;
        EXPECT_EQ(document.GetImageCount(), 0) << c.name;
        EXPECT_EQ(document.GetImagePath(), good) << c.name;
        ASSERT_EQ(messages.m_shown.size(), 1u) << c.name;
        EXPECT_EQ(messages.m_shown[0].m_strText, c.message) << c.name;
        EXPECT_EQ(messages.m_shown[0].m_kind, MessageKind::Error) << c.name;
    }
}

} // namespace
} // namespace gc
