// The particle search on input it must survive: diameters and filter widths that are not usable
// numbers, and images with samples that are not finite numbers (NaN, infinite or near the float
// limit, as a float MRC file may hold). Each is refused or searched without an undefined conversion,
// and every score that comes out is a finite number.
#include "pick/AutoPicker.h"
#include "pick/BlobFilter.h"
#include "pick/PickPlane.h"
#include "pick/SyntheticMicrograph.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace gc {
namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double INF = std::numeric_limits<double>::infinity();
constexpr float NaN_F = std::numeric_limits<float>::quiet_NaN();
constexpr float INF_F = std::numeric_limits<float>::infinity();

TEST(SearchRobustness, ShrinkLeavesOutSamplesThatAreNotFiniteNumbers) {
    // 5 × 3 values 0..14 reduced by 2 into blocks {0,1,5,6} {2,3,7,8} {4,9} / {10,11} {12,13} {14}.
    struct Case {
        const char* name;
        std::vector<std::pair<int, float>> changes; // index, new value
        std::vector<float> expected;
    } cases[] = {
        {"NaN", {{0, NaN_F}}, {4.0f, 5.0f, 6.5f, 10.5f, 12.5f, 14.0f}},
        {"infinities", {{1, INF_F}, {7, -INF_F}}, {11.0f / 3, 13.0f / 3, 6.5f, 10.5f, 12.5f, 14.0f}},
        {"float sum beyond the float range",
         {{0, 3e38f}, {1, 3e38f}},
         {1.5e38f, 5.0f, 6.5f, 10.5f, 12.5f, 14.0f}},
        {"block without a finite value", {{14, NaN_F}}, {3.0f, 5.0f, 6.5f, 10.5f, 12.5f, 7.5f}},
    };
    for (const Case& c : cases) {
        test::SyntheticMicrograph m;
        m.m_nWidth = 5;
        m.m_nHeight = 3;
        for (int i = 0; i < 15; ++i)
            m.m_values.push_back(static_cast<float>(i));
        for (const auto& [index, value] : c.changes)
            m.m_values[static_cast<std::size_t>(index)] = value;
        test::MicrographRows rows(m);
        PickPlane shrunk;
        ASSERT_TRUE(ShrinkImage(rows, 5, 3, 2, shrunk)) << c.name;
        ASSERT_EQ(shrunk.m_values.size(), c.expected.size()) << c.name;
        for (std::size_t i = 0; i < c.expected.size(); ++i)
            EXPECT_FLOAT_EQ(shrunk.m_values[i], c.expected[i]) << c.name << ", block " << i;
    }
}

TEST(SearchRobustness, FilterBlobsRefusesWidthsItCannotUse) {
    struct Case {
        const char* name;
        std::vector<double> sigmas;
        double smoothing;
        bool valid;
    } cases[] = {
        {"usable", {2, 3}, 6, true},
        {"no sizes", {}, 6, false},
        {"NaN", {2, NaN}, 6, false},
        {"infinite", {INF}, 6, false},
        {"zero", {0, 2}, 6, false},
        {"negative", {-2}, 6, false},
        {"beyond any image", {2, 1e30}, 6, false},
        {"more sizes than a map can number", std::vector<double>(256, 2.0), 6, false},
        {"smoothing NaN", {2}, NaN, false},
        {"smoothing zero", {2}, 0, false},
    };
    const test::SyntheticMicrograph m = test::MakeMicrograph({.width = 40, .height = 30, .particles = 0});
    for (const Case& c : cases) {
        const BlobFilterSettings settings{c.sigmas, c.smoothing, false, 2};
        EXPECT_EQ(BlobFiltersValid(settings), c.valid) << c.name;
        BlobMaps maps;
        EXPECT_EQ(FilterBlobs({40, 30, m.m_values}, settings, maps), c.valid) << c.name;
        EXPECT_EQ(maps.m_response.m_values.size(), c.valid ? m.m_values.size() : 0u) << c.name;
    }
}

TEST(SearchRobustness, RefusesDiametersThatAreNotUsablePixelCounts) {
    const double denormal = std::numeric_limits<double>::denorm_min();
    struct Case {
        double min, max;
        bool searched;
    } cases[] = {
        {denormal, 30, false}, {0.5, 30, false},  {1e300, 1e300, false}, {-INF, 30, false},
        {30, INF, false},      {NaN, NaN, false}, {1, 256, true},        {30, 30, true},
    };
    const test::SyntheticMicrograph m = test::MakeMicrograph({.width = 256, .height = 256, .particles = 0});
    for (const Case& c : cases) {
        test::MicrographRows rows(m);
        const AutoPickResult result =
            FindParticles(rows, 256, 256, {.m_dDiameterMin = c.min, .m_dDiameterMax = c.max});
        EXPECT_EQ(result.m_outcome == AutoPickOutcome::Searched, c.searched) << c.min << ":" << c.max;
    }
}

TEST(SearchRobustness, SamplesThatAreNotFiniteNumbersGiveFiniteScores) {
    struct Case {
        const char* name;
        std::size_t every; // every this many samples is changed
        float value;
        double recall; // floor; below 0: none
    } cases[] = {
        {"untouched", 1u << 30, 0.0f, 0.85},   {"NaN samples", 97, NaN_F, 0.85},
        {"infinite samples", 89, INF_F, 0.85}, {"samples near the float limit", 101, 3e38f, -1},
        {"nothing but NaN", 1, NaN_F, -1},
    };
    for (const Case& c : cases) {
        test::SyntheticMicrograph m = test::MakeMicrograph(
            {.seed = 21, .width = 512, .height = 512, .diameter = 32, .particles = 50, .noise = 0.5});
        for (std::size_t i = 0; i < m.m_values.size(); i += c.every)
            m.m_values[i] = c.value;
        test::MicrographRows rows(m);
        const AutoPickResult result =
            FindParticles(rows, 512, 512, {.m_dDiameterMin = 32, .m_dDiameterMax = 32});
        ASSERT_EQ(result.m_outcome, AutoPickOutcome::Searched) << c.name;
        EXPECT_TRUE(std::isfinite(result.m_dAutomaticThreshold)) << c.name;
        std::vector<PickPoint> picked;
        for (const AutoPickCandidate& candidate : result.m_candidates) {
            ASSERT_TRUE(std::isfinite(candidate.m_fScore)) << c.name;
            ASSERT_TRUE(candidate.m_centre.x >= 0 && candidate.m_centre.x < 512 &&
                        candidate.m_centre.y >= 0 && candidate.m_centre.y < 512)
                << c.name;
            if (candidate.m_fScore >= result.m_dAutomaticThreshold)
                picked.push_back(candidate.m_centre);
        }
        if (c.recall >= 0) {
            EXPECT_GE(test::MatchedCount(picked, m.m_centres, 0.3 * 32), c.recall * m.m_centres.size())
                << c.name;
        }
    }
}

} // namespace
} // namespace gc
