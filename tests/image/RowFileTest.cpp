#include "image/BinningFilter.h"
#include "image/MrcRowFile.h"
#include "image/TiffRowFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>

namespace gc {
namespace {

using test::TempDir;
using Bytes = std::vector<unsigned char>;

// A row file that keeps what it is given.
class KeptRows final : public RowFile {
public:
    RowFileResult Open(const std::string&, const RowFileDescription& description) override {
        m_description = description;
        return {};
    }
    RowFileResult WriteRow(const unsigned char* row) override {
        m_rows.insert(m_rows.end(), row, row + m_description.width);
        return {};
    }
    RowFileResult Finish() override { return {}; }
    void Discard() override {}
    bool IsOpen() const override { return true; }

    RowFileDescription m_description;
    Bytes m_rows;
};

// The truncated b × b means of the complete blocks of a width × height image.
Bytes BlockMeans(const Bytes& pixels, int width, int height, int b) {
    Bytes means;
    for (int y = 0; y + b <= height; y += b)
        for (int x = 0; x + b <= width; x += b) {
            int sum = 0;
            for (int i = 0; i < b * b; ++i)
                sum += pixels[static_cast<std::size_t>(y + i / b) * width + x + i % b];
            means.push_back(static_cast<unsigned char>(sum / (b * b)));
        }
    return means;
}

TEST(BinningFilter, PassesTheBlockMeansOfCompleteBlocksOnly) {
    const struct {
        int factor, width, height;
    } cases[] = {{2, 40, 30}, {2, 41, 33}, {3, 50, 38}, {4, 63, 45}, {4, 3, 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.factor) + ": " + std::to_string(c.width) + " x " +
                     std::to_string(c.height));
        Bytes pixels(static_cast<std::size_t>(c.width) * c.height);
        std::uint32_t state = 12345; // a plain linear congruential sequence, 0 and 255 included
        for (unsigned char& pixel : pixels) {
            state = state * 1103515245u + 12345u;
            pixel = static_cast<unsigned char>(state >> 23);
        }
        auto kept = std::make_unique<KeptRows>();
        const KeptRows& target = *kept;
        BinningFilter filter(c.factor, std::move(kept));
        RowFileDescription full;
        full.width = c.width;
        full.height = c.height;
        full.pixelSize = 1.5;
        full.xResolution = full.yResolution = 600;
        ASSERT_TRUE(filter.Open("binned", full).Succeeded());
        for (int y = 0; y < c.height; ++y)
            ASSERT_TRUE(filter.WriteRow(pixels.data() + static_cast<std::size_t>(y) * c.width).Succeeded());
        EXPECT_EQ(target.m_description.width, c.width / c.factor);
        EXPECT_EQ(target.m_description.height, c.height / c.factor);
        EXPECT_DOUBLE_EQ(target.m_description.pixelSize, 1.5 * c.factor);
        EXPECT_FLOAT_EQ(target.m_description.xResolution, 600.0f / static_cast<float>(c.factor));
        EXPECT_EQ(target.m_rows, BlockMeans(pixels, c.width, c.height, c.factor));
    }
}

struct Format {
    const char* name;
    std::function<std::unique_ptr<RowFile>()> make;
    RowFileOutcome renameFailure; // TIFF tells a failed rename apart
};

const Format FORMATS[] = {
    {"mrc", [] { return std::make_unique<MrcRowFile>(); }, RowFileOutcome::WriteFailed},
    {"tif", [] { return std::make_unique<TiffRowFile>(); }, RowFileOutcome::NotRenamed},
    {"binned mrc", [] { return std::make_unique<BinningFilter>(2, std::make_unique<MrcRowFile>(64)); },
     RowFileOutcome::WriteFailed},
};

RowFileDescription Small() {
    RowFileDescription description;
    description.width = 6;
    description.height = 4;
    return description;
}

// Only a finished file appears, under its own name; a discarded one, an unfinished one and one whose
// rename fails leave nothing, and the failure says which file and why.
TEST(RowFile, OnlyAFinishedFileIsLeft) {
    const Bytes row(6, 200);
    for (const Format& format : FORMATS) {
        SCOPED_TRACE(format.name);
        TempDir dir;
        const std::string path = dir.File("out_1");
        for (int ending = 0; ending < 3; ++ending) {
            std::unique_ptr<RowFile> file = format.make();
            ASSERT_TRUE(file->Open(path, Small()).Succeeded());
            ASSERT_TRUE(file->WriteRow(row.data()).Succeeded());
            ASSERT_TRUE(file->WriteRow(row.data()).Succeeded());
            EXPECT_FALSE(std::filesystem::is_empty(dir.Path())) << "the temporary";
            if (ending == 0)
                file->Discard();
            else if (ending == 1)
                file.reset();
            else
                ASSERT_TRUE(file->Finish().Succeeded());
            EXPECT_EQ(std::filesystem::is_empty(dir.Path()), ending != 2) << ending;
        }
        ASSERT_TRUE(std::filesystem::remove(path));

        std::filesystem::create_directory(path); // the rename over it fails
        std::unique_ptr<RowFile> file = format.make();
        ASSERT_TRUE(file->Open(path, Small()).Succeeded());
        const RowFileResult finished = file->Finish();
        EXPECT_EQ(finished.outcome, format.renameFailure);
        EXPECT_EQ(finished.Reason(), "writing " + path + ": " + std::strerror(EISDIR));
        EXPECT_FALSE(file->IsOpen());
        std::filesystem::remove(path);
        EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));

        const std::string missing = dir.File("no/such/out_1");
        const RowFileResult opened = format.make()->Open(missing, Small());
        EXPECT_EQ(opened.outcome, RowFileOutcome::NotCreated);
        EXPECT_EQ(opened.Reason(), "writing " + missing + ": " + std::strerror(ENOENT));
    }
}

} // namespace
} // namespace gc
