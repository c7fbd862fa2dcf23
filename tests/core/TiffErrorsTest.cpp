// The TIFF library's errors go to the sink of the thread that reports them: a Run on one thread and the
// viewer on another each hear of their own, scopes nest per thread, and a thread without a sink drops
// them.
#include "core/TiffErrors.h"

#include <gtest/gtest.h>

#include <thread>
#include <tiffio.h>
#include <vector>

namespace gc {
namespace {

class Recording final : public Messages {
public:
    void Show(MessageKind, const std::string& text, const std::string& caption = {}) override {
        texts.push_back(caption + ": " + text);
    }
    std::vector<std::string> texts;
};

TEST(TiffErrors, EachThreadHearsItsOwnErrors) {
    Recording outer, inner, other;
    {
        TiffErrorScope outerScope(outer);
        std::thread worker([&] {
            EXPECT_EQ(TiffErrorSink(), nullptr);
            TIFFErrorExt(nullptr, "Lost", "no sink on this thread");
            TiffErrorScope otherScope(other);
            EXPECT_EQ(TiffErrorSink(), &other);
            TIFFErrorExt(nullptr, "Worker", "read %d", 7);
        });
        {
            TiffErrorScope innerScope(inner);
            TIFFErrorExt(nullptr, "Viewer", "open");
        }
        worker.join();
        EXPECT_EQ(TiffErrorSink(), &outer);
        TIFFErrorExt(nullptr, "", "after");
    }
    EXPECT_EQ(TiffErrorSink(), nullptr);
    EXPECT_EQ(other.texts, std::vector<std::string>{"Worker Error: read 7"});
    EXPECT_EQ(inner.texts, std::vector<std::string>{"Viewer Error: open"});
    EXPECT_EQ(outer.texts, std::vector<std::string>{"TIFFLIB Error: after"});
}

} // namespace
} // namespace gc
