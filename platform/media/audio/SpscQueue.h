#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <type_traits>

namespace plat::media {

// A fixed-size queue between one producer thread and one consumer thread, without locks or
// allocation, so the audio thread can use either end. Several producers must take turns
// under a lock of their own.
template <class T, size_t Capacity>
class SpscQueue {
    static_assert(std::is_trivially_copyable_v<T>);
    static_assert(Capacity >= 2 && (Capacity & (Capacity - 1)) == 0, "a power of two");

public:
    // False when the queue is full.
    bool push(const T& item)
    {
        const size_t tail = m_tail.load(std::memory_order_relaxed);
        if (tail - m_head.load(std::memory_order_acquire) == Capacity)
            return false;
        m_items[tail & (Capacity - 1)] = item;
        m_tail.store(tail + 1, std::memory_order_release);
        return true;
    }

    // False when the queue is empty.
    bool pop(T& item)
    {
        const size_t head = m_head.load(std::memory_order_relaxed);
        if (head == m_tail.load(std::memory_order_acquire))
            return false;
        item = m_items[head & (Capacity - 1)];
        m_head.store(head + 1, std::memory_order_release);
        return true;
    }

    // The item pop() would return next, left in the queue; false when empty. Consumer only.
    bool peek(T& item) const
    {
        const size_t head = m_head.load(std::memory_order_relaxed);
        if (head == m_tail.load(std::memory_order_acquire))
            return false;
        item = m_items[head & (Capacity - 1)];
        return true;
    }

    // Room for n more items; producer only.
    bool hasRoom(size_t n) const
    {
        return Capacity - (m_tail.load(std::memory_order_relaxed) - m_head.load(std::memory_order_acquire)) >= n;
    }

private:
    std::array<T, Capacity> m_items{};
    alignas(64) std::atomic<size_t> m_head{0};
    alignas(64) std::atomic<size_t> m_tail{0};
};

}  // namespace plat::media
