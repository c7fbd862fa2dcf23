// The reason line a result carries, however it was made.
#include "core/Result.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace gc {
namespace {

enum class Step { Done, Failed };

// The reason's line from each way a result is made: the system's error wins over a detail, a line
// given whole stands alone, and a result without a reason has an empty one (so a caller shows no
// detail line for it).
TEST(Result, ReasonLineFromWhatDetailAndError) {
    struct Case {
        Result<Step> result;
        std::string reason;
    };
    const Case cases[] = {
        {{Step::Failed, "writing a_1.mrc", "", ENOSPC},
         std::string("writing a_1.mrc: ") + std::strerror(ENOSPC)},
        {{Step::Failed, "writing a_1.mrc", "short write", ENOSPC},
         std::string("writing a_1.mrc: ") + std::strerror(ENOSPC)},
        {{Step::Failed, "writing a_1.mrc", "short write", 0}, "writing a_1.mrc: short write"},
        {Result<Step>::Because(Step::Failed, "reading s.tif: tile 3 cannot be read"),
         "reading s.tif: tile 3 cannot be read"},
        {Result<Step>::Of(Step::Failed), ""},
    };
    for (const Case& each : cases) {
        EXPECT_EQ(each.result.Reason(), each.reason);
        EXPECT_FALSE(each.result.Succeeded());
        const Result<int> moved = each.result.As(7);
        EXPECT_EQ(moved.outcome, 7);
        EXPECT_EQ(moved.Reason(), each.reason) << "the reason survives a change of outcome";
    }
}

} // namespace
} // namespace gc
