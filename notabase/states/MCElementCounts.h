#pragma once

#include "notabase/NotabaseExport.h"

#include <cstddef>
#include <vector>

class ECBase;

// How often each of a set of elements is counted, in one table probed linearly: counting
// and forgetting an element allocate nothing but the table, which doubles as it fills.
class NOTABASE_API MCElementCounts {
public:
    // 0 for an element not counted.
    int Get(const ECBase* element) const;
    // Counts the element once more.
    void Add(ECBase* element);
    // Counts the element once, unless it is counted already: true when it was not.
    bool AddFirst(ECBase* element);
    // Counts the element once less, forgetting it at 0; nothing for one not counted.
    void Remove(const ECBase* element);
    void Clear();
    // Room for that many elements without the table growing.
    void Reserve(size_t elements);
    // The number of elements counted.
    size_t Size() const { return m_used; }
    bool IsEmpty() const { return m_used == 0; }

private:
    struct Slot {
        ECBase* element = nullptr;
        int count = 0;
    };

    size_t home(const ECBase* element) const;
    // The slot holding the element, or the empty slot where it would go; the table must have one.
    size_t find(const ECBase* element) const;
    Slot& slotFor(ECBase* element);
    void rebuild(size_t slots);

    // A power of two in size (or empty), at most three quarters full.
    std::vector<Slot> m_slots;
    size_t m_used = 0;
};
