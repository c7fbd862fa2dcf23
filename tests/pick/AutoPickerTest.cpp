// The particle search on generated micrographs with known centres: recall and precision at the
// automatic threshold, nothing on noise alone, nothing on a large dark area, boxes inside the image;
// the reduction's block averages and the checks of the diameter range.
#include "pick/AutoPicker.h"
#include "pick/PickOperations.h"
#include "pick/PickPlane.h"
#include "pick/SyntheticMicrograph.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace gc {
namespace {

using test::MakeMicrograph;
using test::MicrographRecipe;
using test::MicrographRows;

struct Search {
    test::SyntheticMicrograph micrograph;
    AutoPickResult result;
    std::vector<PickPoint> picked; // the candidates at the automatic threshold
};

Search SearchMicrograph(const MicrographRecipe& recipe, double diameterMin, double diameterMax,
                        int boxSize = 0) {
    Search search{MakeMicrograph(recipe), {}, {}};
    MicrographRows rows(search.micrograph);
    AutoPickSettings settings;
    settings.m_dDiameterMin = diameterMin;
    settings.m_dDiameterMax = diameterMax;
    settings.m_bBrightParticles = recipe.bright;
    settings.m_nBoxSize = boxSize;
    search.result = FindParticles(rows, recipe.width, recipe.height, settings);
    const int count = CountAtOrAbove(search.result.m_candidates, search.result.m_dAutomaticThreshold);
    for (int i = 0; i < count; ++i)
        search.picked.push_back(search.result.m_candidates[static_cast<std::size_t>(i)].m_centre);
    return search;
}

TEST(AutoPicker, FindsTheParticlesAtTheAutomaticThreshold) {
    struct Case {
        const char* name;
        MicrographRecipe recipe;
        double diameterMin, diameterMax;
        double recall, precision; // floors
    } cases[] = {
        {"dark, mild noise", {.seed = 11, .noise = 1.0}, 40, 40, 0.95, 0.95},
        // Few particles for the area: the automatic threshold rises above the upper tail of the
        // noise maxima, trading a few faint particles for far fewer noise blobs.
        {"dark, strong noise", {.seed = 12, .noise = 7.0}, 40, 40, 0.7, 0.85},
        {"bright, inverted", {.seed = 13, .noise = 4.0, .bright = true}, 40, 40, 0.9, 0.9},
        {"range of sizes searched",
         {.seed = 14, .diameter = 60, .particles = 60, .noise = 1.5},
         40,
         90,
         0.9,
         0.9},
        {"reduced by 4",
         {.seed = 15, .width = 2048, .height = 1536, .diameter = 90, .noise = 2.0},
         90,
         90,
         0.9,
         0.9},
        // Whitening costs a few of the particles near the contamination's sharp rim.
        {"with a contamination", {.seed = 16, .noise = 4.0, .contamination = true}, 40, 40, 0.85, 0.9},
        // Waves 2.5 particles long have troughs of a particle's size; unwhitened, the search finds
        // a third of the particles.
        {"waves", {.seed = 17, .noise = 2.0, .waves = 0.6}, 40, 40, 0.9, 0.9},
    };
    for (const Case& c : cases) {
        const Search search = SearchMicrograph(c.recipe, c.diameterMin, c.diameterMax);
        ASSERT_EQ(search.result.m_outcome, AutoPickOutcome::Searched) << c.name;
        const int truth = static_cast<int>(search.micrograph.m_centres.size());
        const int matched =
            test::MatchedCount(search.picked, search.micrograph.m_centres, 0.3 * c.recipe.diameter);
        EXPECT_GE(matched, c.recall * truth) << c.name << ": " << matched << " of " << truth;
        EXPECT_GE(matched, c.precision * static_cast<double>(search.picked.size()))
            << c.name << ": " << matched << " of " << search.picked.size() << " picks";
    }
}

TEST(AutoPicker, ReducesSoThatTheSmallestParticleIs16To24Pixels) {
    for (const auto& [diameter, shrink] : {std::pair{20.0, 1}, {40.0, 2}, {90.0, 4}, {150.0, 7}}) {
        const Search search =
            SearchMicrograph({.width = 600, .height = 600, .particles = 0}, diameter, 2 * diameter);
        EXPECT_EQ(search.result.m_nShrink, shrink) << diameter;
    }
}

TEST(AutoPicker, NoiseAloneGivesNoParticles) {
    for (unsigned seed : {21u, 22u, 23u}) {
        const Search search = SearchMicrograph({.seed = seed, .particles = 0, .noise = 2.0}, 40, 60);
        EXPECT_FALSE(search.result.m_candidates.empty()) << "noise has maxima";
        EXPECT_TRUE(search.picked.empty()) << seed << ": " << search.picked.size() << " picked";
    }
}

TEST(AutoPicker, DropsCandidatesOnALargeDarkAreaAndBoxesLeavingTheImage) {
    const int box = 100;
    // A dark area filling a corner is much of what a quadratic background takes out; the darkness
    // must still see it, in strong noise too.
    const MicrographRecipe recipes[] = {
        {.seed = 31, .noise = 1.0, .contamination = true},
        {.seed = 32,
         .noise = 1.0,
         .contamination = true,
         .contaminationCentre = {0, 0},
         .contaminationRadius = 12},
        {.seed = 33,
         .noise = 4.0,
         .contamination = true,
         .contaminationCentre = {1023, 0},
         .contaminationRadius = 12},
    };
    for (const MicrographRecipe& recipe : recipes) {
        const Search search = SearchMicrograph(recipe, 40, 40, box);
        EXPECT_GT(search.result.m_nOnDarkArea, 0) << recipe.seed;
        const test::SyntheticMicrograph& m = search.micrograph;
        // Within a particle of the rim, the rim itself is a dark blob's edge.
        const double inside =
            m.m_dContaminationRadius - (recipe.contaminationRadius > 3 ? recipe.diameter : 0.0);
        for (const AutoPickCandidate& candidate : search.result.m_candidates) {
            const PickPoint c = candidate.m_centre;
            EXPECT_GT(std::hypot(c.x - m.m_contamination.x, c.y - m.m_contamination.y), inside)
                << recipe.seed << ": " << c.x << "," << c.y;
            const PickRect rect = PickTestRect(c, box);
            EXPECT_TRUE(rect.left >= 0 && rect.top >= 0 && rect.right <= m.m_nWidth &&
                        rect.bottom <= m.m_nHeight)
                << c.x << "," << c.y;
        }
        // Particles whose box would leave the image are dropped, not moved.
        EXPECT_GT(search.result.m_nLeavingImage, 0) << recipe.seed;
    }
}

TEST(AutoPicker, CandidatesComeBestFirstAndNoCloserThanTheSmallestDiameter) {
    const Search search = SearchMicrograph({.seed = 41, .noise = 2.0}, 40, 40);
    const auto& candidates = search.result.m_candidates;
    for (std::size_t i = 1; i < candidates.size(); ++i)
        ASSERT_GE(candidates[i - 1].m_fScore, candidates[i].m_fScore);
    // Suppression works on the reduced picture (2 pixels each): allow one reduced pixel of rounding.
    for (std::size_t i = 0; i < candidates.size(); ++i)
        for (std::size_t j = i + 1; j < candidates.size(); ++j)
            ASSERT_GE(std::hypot(candidates[i].m_centre.x - candidates[j].m_centre.x,
                                 candidates[i].m_centre.y - candidates[j].m_centre.y),
                      40 - 2 * std::sqrt(2.0));
    EXPECT_EQ(CountAtOrAbove(candidates, -1.0), static_cast<int>(candidates.size()));
    EXPECT_EQ(CountAtOrAbove(candidates, candidates.front().m_fScore + 1), 0);
}

TEST(AutoPicker, RefusesDiametersItCannotSearchFor) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    struct Case {
        double min, max;
        bool fits;
    } cases[] = {{10, 10, true},  {10, 50, true},   {50, 100, true},  {0, 10, false},
                 {-5, 10, false}, {nan, 10, false}, {10, nan, false}, {10, infinity, false},
                 {20, 10, false}, {50, 101, false}};
    for (const Case& c : cases)
        EXPECT_EQ(AutoPickDiametersFit(c.min, c.max, 200, 100), c.fits) << c.min << ":" << c.max;
    test::SyntheticMicrograph blank = MakeMicrograph({.width = 64, .height = 64, .particles = 0});
    MicrographRows rows(blank);
    EXPECT_EQ(FindParticles(rows, 64, 64, {.m_dDiameterMin = 80, .m_dDiameterMax = 80}).m_outcome,
              AutoPickOutcome::BadSettings);
}

TEST(AutoPicker, ShrinkAveragesWholeBlocksAndTheCutShortOnesAtTheEdges) {
    // 5 × 3 values 0..14 reduced by 2: blocks of 4, 2 (right edge), 2 (bottom edge) and 1 value.
    test::SyntheticMicrograph m;
    m.m_nWidth = 5;
    m.m_nHeight = 3;
    for (int i = 0; i < 15; ++i)
        m.m_values.push_back(static_cast<float>(i));
    MicrographRows rows(m);
    PickPlane shrunk;
    ASSERT_TRUE(ShrinkImage(rows, 5, 3, 2, shrunk));
    ASSERT_EQ(shrunk.m_nWidth, 3);
    ASSERT_EQ(shrunk.m_nHeight, 2);
    EXPECT_EQ(shrunk.m_values, (std::vector<float>{3.0f, 5.0f, 6.5f, 10.5f, 12.5f, 14.0f}));
}

// Scores spread evenly over [low, high): `count` of them.
std::vector<float> Spread(int count, float low, float high) {
    std::vector<float> scores;
    for (int i = 0; i < count; ++i)
        scores.push_back(low + (high - low) * static_cast<float>(i) / static_cast<float>(count));
    return scores;
}

std::vector<float> Joined(std::vector<float> a, const std::vector<float>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(AutoPicker, TellsParticlesFromWhatNoiseScores) {
    const std::vector<float> noise = Spread(200, 1.0f, 3.0f);
    struct Case {
        const char* name;
        std::vector<float> candidates, blobs;
        bool outnumber, dominate;
    } cases[] = {
        {"noise alone", Spread(200, 1.0f, 3.0f), Spread(200, 1.005f, 3.005f), false, false},
        {"a group of particles above the noise", Joined(noise, Spread(60, 6.0f, 7.0f)), noise, true, true},
        // Six above every blob: enough for the Poisson margin alone, but among many thresholds
        // such a run is chance.
        {"a few above every blob", Joined(noise, Spread(6, 3.5f, 3.6f)), noise, true, false},
        // Half as many again everywhere: more than noise, but not mostly particles anywhere.
        {"evenly more", Joined(noise, Spread(100, 1.0f, 3.0f)), noise, true, false},
        {"nothing", {}, {}, false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(OutnumberNoise(c.candidates, c.blobs), c.outnumber) << c.name;
        EXPECT_EQ(DominateNoise(c.candidates, c.blobs), c.dominate) << c.name;
    }
}

TEST(AutoPicker, AutomaticThresholdSplitsTheScoresWhenThereAreParticles) {
    const std::vector<float> scores = Joined(Spread(200, 1.0f, 3.0f), Spread(60, 6.0f, 7.0f));
    EXPECT_GT(AutomaticThreshold(scores, false, 1.0), 7.0) << "no particles: above every score";
    // Most candidates kept: the cut lies nearer the noise than Otsu's split; few kept: above it.
    const double crowded = AutomaticThreshold(scores, true, 1.0);
    const double sparse = AutomaticThreshold(scores, true, 0.7);
    EXPECT_GT(crowded, 3.0);
    EXPECT_LT(crowded, sparse);
    EXPECT_LT(sparse, 6.0);
    EXPECT_EQ(AutomaticThreshold(scores, true, CROWDED_KEPT), crowded) << "crowded enough: the same cut";
    EXPECT_EQ(AutomaticThreshold({}, true, 1.0), MIN_AUTOMATIC_THRESHOLD);
    EXPECT_EQ(AutomaticThreshold(Spread(10, 0.1f, 0.5f), true, 0.0), MIN_AUTOMATIC_THRESHOLD);
    EXPECT_DOUBLE_EQ(KeptShare(30, 40), 0.75);
    EXPECT_DOUBLE_EQ(KeptShare(50, 40), 1.0) << "never above every candidate";
    EXPECT_DOUBLE_EQ(KeptShare(0, 0), 1.0) << "no candidates";
}

} // namespace
} // namespace gc
