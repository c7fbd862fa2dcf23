// Reviewing suggested picks: the threshold decides what is shown, clicks accept into and remove from
// the pick list, Accept All stops at the list's limit, and Undo takes back each step in turn.
#include "pick/CandidateReview.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace gc {
namespace {

constexpr PickPoint A{100, 100}, B{200, 100}, C{300, 100}, D{130, 100};

// A (best) and D overlap: a click between them takes the nearer centre.
CandidateReview Review() {
    return CandidateReview({{A, 9.0f, 40.0f}, {B, 6.0f, 40.0f}, {D, 5.0f, 40.0f}, {C, 3.0f, 40.0f}}, 4.0);
}

std::vector<PickPoint> Picks(const PickState& state) {
    return {state.m_ptPicks.begin(), state.m_ptPicks.begin() + state.m_nPickCount};
}

TEST(CandidateReview, ClicksAcceptAllAndUndoChangeThePickList) {
    CandidateReview review = Review();
    PickState picks;
    EXPECT_EQ(review.ShownCount(), 3);
    const auto circles = review.Circles();
    ASSERT_EQ(circles.size(), 3u);
    EXPECT_FLOAT_EQ(circles[0].m_fShade, 1.0f);
    EXPECT_FLOAT_EQ(circles[1].m_fShade, 0.4f);
    EXPECT_FLOAT_EQ(circles[0].m_fRadius, 20.0f);

    EXPECT_TRUE(review.Accept({112, 104}, picks)); // nearer A than D
    EXPECT_FALSE(review.Accept(C, picks)) << "below the threshold";
    EXPECT_FALSE(review.Accept({160, 160}, picks)) << "in no circle";
    EXPECT_EQ(Picks(picks), (std::vector<PickPoint>{A}));
    EXPECT_EQ(review.ShownCount(), 2);

    review.SetThreshold(2.0);
    EXPECT_EQ(review.AcceptAll(picks), 3);
    EXPECT_EQ(Picks(picks), (std::vector<PickPoint>{A, B, D, C}));
    EXPECT_TRUE(review.Remove(B, picks));
    EXPECT_TRUE(review.Remove({98, 100}, picks)) << "an accepted one too";
    EXPECT_EQ(Picks(picks), (std::vector<PickPoint>{D, C}));
    EXPECT_EQ(review.AcceptedCount(), 2);
    EXPECT_FALSE(review.Remove(B, picks)) << "removed ones are not shown";

    EXPECT_TRUE(review.Undo(picks)); // A back
    EXPECT_TRUE(review.Undo(picks)); // B back
    EXPECT_EQ(Picks(picks), (std::vector<PickPoint>{D, C, A, B}));
    EXPECT_TRUE(review.Undo(picks)); // Accept All
    EXPECT_EQ(Picks(picks), (std::vector<PickPoint>{A}));
    EXPECT_TRUE(review.Undo(picks)); // the first click
    EXPECT_TRUE(Picks(picks).empty());
    EXPECT_EQ(review.ShownCount(), 4);
    EXPECT_FALSE(review.Undo(picks));
}

TEST(CandidateReview, ThresholdsThatAreNotNumbersOrInfiniteKeepTheShadesWithinZeroToOne) {
    const double infinity = std::numeric_limits<double>::infinity();
    const struct {
        double threshold;
        int shown;
    } cases[] = {{std::numeric_limits<double>::quiet_NaN(), 3},
                 {infinity, 0},
                 {-infinity, 4},
                 {1e300, 0},
                 {-1e300, 4}};
    for (const auto& c : cases) {
        CandidateReview review = Review();
        review.SetThreshold(c.threshold);
        EXPECT_EQ(review.ShownCount(), c.shown) << c.threshold;
        for (const CandidateCircle& circle : review.Circles())
            EXPECT_TRUE(circle.m_fShade >= 0.0f && circle.m_fShade <= 1.0f) << c.threshold;
    }
}

TEST(CandidateReview, AcceptStopsAtThePickLimit) {
    CandidateReview review = Review();
    PickState picks;
    picks.m_nPickCount = MAX_PICKS - 2;
    for (int i = 0; i < picks.m_nPickCount; ++i)
        picks.m_ptPicks[static_cast<std::size_t>(i)] = {i, 0};
    EXPECT_EQ(review.AcceptAll(picks), 2);
    EXPECT_EQ(picks.m_nPickCount, MAX_PICKS);
    EXPECT_EQ(picks.m_ptPicks[MAX_PICKS - 2], A);
    EXPECT_EQ(picks.m_ptPicks[MAX_PICKS - 1], B);
    EXPECT_FALSE(review.Accept(D, picks));
    EXPECT_EQ(review.ShownCount(), 1);
}

} // namespace
} // namespace gc
