#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <type_traits>

// A fixed-size queue that any number of feeding threads push to without a lock or an
// allocation (the driver thread and the recording thread both feed the monitors), and one
// reader at a time drains. A push into a full queue is refused: the reader is behind, and a
// sample or highlight fewer is better than a stalled driver.
template <class T, size_t Capacity>
class MCTimedQueue {
    static_assert(std::is_trivially_copyable_v<T>);
    static_assert(Capacity >= 2 && (Capacity & (Capacity - 1)) == 0, "a power of two");

public:
    MCTimedQueue()
    {
        for (size_t i = 0; i < Capacity; ++i)
            m_cells[i].sequence.store(i, std::memory_order_relaxed);
        static_assert(std::atomic<size_t>::is_always_lock_free);
    }
    MCTimedQueue(const MCTimedQueue&) = delete;
    MCTimedQueue& operator=(const MCTimedQueue&) = delete;

    // False when the queue is full.
    bool push(const T& item)
    {
        size_t position = m_tail.load(std::memory_order_relaxed);
        for (;;) {
            Cell& cell = m_cells[position & (Capacity - 1)];
            const size_t sequence = cell.sequence.load(std::memory_order_acquire);
            const auto difference = static_cast<std::ptrdiff_t>(sequence) - static_cast<std::ptrdiff_t>(position);
            if (difference == 0) {
                if (m_tail.compare_exchange_weak(position, position + 1, std::memory_order_relaxed)) {
                    cell.item = item;
                    cell.sequence.store(position + 1, std::memory_order_release);
                    return true;
                }
            } else if (difference < 0) {
                return false;
            } else {
                position = m_tail.load(std::memory_order_relaxed);
            }
        }
    }

    // The oldest item; false when empty (or when the oldest push has not finished). One
    // reader at a time.
    bool pop(T& item)
    {
        const size_t position = m_head.load(std::memory_order_relaxed);
        Cell& cell = m_cells[position & (Capacity - 1)];
        if (cell.sequence.load(std::memory_order_acquire) != position + 1)
            return false;
        item = cell.item;
        cell.sequence.store(position + Capacity, std::memory_order_release);
        m_head.store(position + 1, std::memory_order_relaxed);
        return true;
    }

private:
    struct Cell {
        std::atomic<size_t> sequence{0};
        T item{};
    };
    std::array<Cell, Capacity> m_cells;
    alignas(64) std::atomic<size_t> m_tail{0};
    alignas(64) std::atomic<size_t> m_head{0};
};
