// GrowArray: the program's own growable array. It holds an item block, a count, a capacity and a grow
// step (16). Appending to a full array allocates a block of capacity + grow step items, moves the old
// items over and frees the old block; the first append allocates grow-step items. RemoveAll frees the
// block and sets count and capacity to 0, keeping the grow step.
//
// The block is owned by a unique_ptr, so an array never leaks or frees twice; items that own something
// (the document's images are unique_ptr<DIBSection>) are destroyed with the block.
#pragma once

#include <cassert>
#include <climits>
#include <memory>
#include <new>
#include <utility>

namespace gc {

inline constexpr int GROW_ARRAY_STEP = 16;

template <typename T> class GrowArray {
public:
    GrowArray() = default;
    GrowArray(const GrowArray&) = delete;
    GrowArray& operator=(const GrowArray&) = delete;
    GrowArray(GrowArray&& other) noexcept { Swap(other); }
    GrowArray& operator=(GrowArray&& other) noexcept {
        if (this != &other) {
            RemoveAll();
            Swap(other);
        }
        return *this;
    }
    ~GrowArray() = default;

    // Appends an item and returns its index.
    int Add(T item) {
        if (m_nCount == m_nCapacity)
            Grow();
        m_pItems[m_nCount] = std::move(item);
        return m_nCount++;
    }

    void RemoveAll() {
        m_pItems.reset();
        m_nCount = 0;
        m_nCapacity = 0;
    }

    int GetCount() const { return m_nCount; }
    int GetCapacity() const { return m_nCapacity; }
    bool IsEmpty() const { return m_nCount == 0; }

    T& operator[](int index) {
        assert(index >= 0 && index < m_nCount);
        return m_pItems[index];
    }
    const T& operator[](int index) const {
        assert(index >= 0 && index < m_nCount);
        return m_pItems[index];
    }

    T* begin() { return m_pItems.get(); }
    T* end() { return m_pItems.get() + m_nCount; }
    const T* begin() const { return m_pItems.get(); }
    const T* end() const { return m_pItems.get() + m_nCount; }

private:
    void Grow() {
        if (m_nCapacity > INT_MAX - m_nGrowStep)
            throw std::bad_alloc();
        const int capacity = m_nCapacity + m_nGrowStep;
        auto items = std::make_unique<T[]>(static_cast<std::size_t>(capacity));
        for (int i = 0; i < m_nCount; ++i)
            items[i] = std::move(m_pItems[i]);
        m_pItems = std::move(items);
        m_nCapacity = capacity;
    }

    void Swap(GrowArray& other) noexcept {
        std::swap(m_pItems, other.m_pItems);
        std::swap(m_nCount, other.m_nCount);
        std::swap(m_nCapacity, other.m_nCapacity);
        std::swap(m_nGrowStep, other.m_nGrowStep);
    }

    std::unique_ptr<T[]> m_pItems;
    int m_nCount = 0;
    int m_nCapacity = 0;
    int m_nGrowStep = GROW_ARRAY_STEP;
};

} // namespace gc
