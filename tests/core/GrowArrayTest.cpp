#include "core/GrowArray.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace gc {
namespace {

TEST(GrowArray, GrowsBySixteenAndKeepsItemsInOrder) {
    GrowArray<std::string> array;
    EXPECT_EQ(array.GetCount(), 0);
    EXPECT_EQ(array.GetCapacity(), 0);
    EXPECT_EQ(array.GetGrowStep(), 16);
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(array.Add("item" + std::to_string(i)), i);
        const int expectedCapacity = (i / 16 + 1) * 16; // 16 after the first append, then +16 when full
        EXPECT_EQ(array.GetCapacity(), expectedCapacity) << i;
    }
    ASSERT_EQ(array.GetCount(), 40);
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(array[i], "item" + std::to_string(i));
    int visited = 0;
    for (const std::string& item : array)
        EXPECT_EQ(item, "item" + std::to_string(visited++));
    EXPECT_EQ(visited, 40);

    array.RemoveAll();
    EXPECT_EQ(array.GetCount(), 0);
    EXPECT_EQ(array.GetCapacity(), 0);
    EXPECT_EQ(array.GetGrowStep(), 16);
    EXPECT_EQ(array.begin(), array.end());
    array.Add("again");
    EXPECT_EQ(array.GetCapacity(), 16);
    EXPECT_EQ(array[0], "again");
}

// Counts live objects, so a test can tell that growing and emptying neither leak nor free twice.
struct Tracked {
    explicit Tracked(int value) : m_nValue(value) { ++s_nLive; }
    ~Tracked() { --s_nLive; }
    Tracked(const Tracked&) = delete;
    Tracked& operator=(const Tracked&) = delete;
    int m_nValue;
    static inline int s_nLive = 0;
};

TEST(GrowArray, OwnsMoveOnlyItemsAcrossGrowthAndMoves) {
    {
        GrowArray<std::unique_ptr<Tracked>> array;
        for (int i = 0; i < 33; ++i)
            array.Add(std::make_unique<Tracked>(i));
        EXPECT_EQ(Tracked::s_nLive, 33);
        EXPECT_EQ(array.GetCapacity(), 48);
        for (int i = 0; i < 33; ++i)
            EXPECT_EQ(array[i]->m_nValue, i);

        GrowArray<std::unique_ptr<Tracked>> moved(std::move(array));
        EXPECT_EQ(array.GetCount(), 0);
        EXPECT_EQ(moved.GetCount(), 33);
        EXPECT_EQ(moved[32]->m_nValue, 32);
        EXPECT_EQ(Tracked::s_nLive, 33);

        GrowArray<std::unique_ptr<Tracked>> other;
        other.Add(std::make_unique<Tracked>(-1));
        other = std::move(moved);
        EXPECT_EQ(Tracked::s_nLive, 33); // the item `other` held was released
        EXPECT_EQ(other[0]->m_nValue, 0);

        other.RemoveAll();
        EXPECT_EQ(Tracked::s_nLive, 0);
        other.Add(std::make_unique<Tracked>(7));
    }
    EXPECT_EQ(Tracked::s_nLive, 0);
}

} // namespace
} // namespace gc
