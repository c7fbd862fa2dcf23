// The TIFF library's errors go to the sink of the thread that reports them (a Run on one thread, the
// viewer on another); scopes nest per thread; a thread without a sink drops them.
#include "core/TiffErrors.h"

#include <gtest/gtest.h>

#include <thread>
#include <tiffio.h>
#include <vector>

namespace gc {
namespace {

struct Recording final : Messages {
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
            TIFFErrorExt(nullptr, "Lost", "no sink on this thread");
            TiffErrorScope otherScope(other);
            TIFFErrorExt(nullptr, "Worker", "read %d", 7);
        });
        {
            TiffErrorScope innerScope(inner);
            TIFFErrorExt(nullptr, "Viewer", "open");
        }
        worker.join();
        TIFFErrorExt(nullptr, "", "after");
    }
    EXPECT_EQ(TiffErrorSink(), nullptr);
    EXPECT_EQ(other.texts, std::vector<std::string>{"Worker Error: read 7"});
    EXPECT_EQ(inner.texts, std::vector<std::string>{"Viewer Error: open"});
    EXPECT_EQ(outer.texts, std::vector<std::string>{"TIFFLIB Error: after"});
}

} // namespace
} // namespace gc
