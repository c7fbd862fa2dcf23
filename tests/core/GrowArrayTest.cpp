#include "core/GrowArray.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace gc {
namespace {

// Whatever the growth step, every added item stays where Add said, in order, through many growths
// and after the array is emptied and filled again.
TEST(GrowArray, KeepsEveryItemInOrderThroughGrowthAndReuse) {
    GrowArray<std::string> array;
    EXPECT_EQ(array.GetCount(), 0);
    EXPECT_EQ(array.begin(), array.end());
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 1000; ++i) {
            ASSERT_EQ(array.Add("item" + std::to_string(i)), i);
            ASSERT_GE(array.GetCapacity(), array.GetCount());
        }
        ASSERT_EQ(array.GetCount(), 1000);
        int visited = 0;
        for (const std::string& item : array)
            EXPECT_EQ(item, "item" + std::to_string(visited++)) << round;
        EXPECT_EQ(visited, 1000);
        EXPECT_EQ(array[999], "item999");
        array.RemoveAll();
        EXPECT_EQ(array.GetCount(), 0);
        EXPECT_EQ(array.begin(), array.end());
    }
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
