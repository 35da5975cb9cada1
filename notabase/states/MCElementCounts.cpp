#include "notabase/states/MCElementCounts.h"

#include <algorithm>
#include <bit>
#include <cstdint>

namespace {

constexpr size_t kFewestSlots = 16;

// Whether a table of that many slots holds that many elements at most three quarters full.
bool roomy(size_t slots, size_t elements)
{
    return elements * 4 <= slots * 3;
}

}  // namespace

size_t MCElementCounts::home(const ECBase* element) const
{
    // Fibonacci hashing: the high bits of the product mix all bits of the address.
    const auto bits = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(element)) * 0x9E3779B97F4A7C15ull;
    return static_cast<size_t>(bits >> (64 - std::countr_zero(m_slots.size())));
}

size_t MCElementCounts::find(const ECBase* element) const
{
    const size_t mask = m_slots.size() - 1;
    size_t at = home(element);
    while (m_slots[at].element && m_slots[at].element != element)
        at = (at + 1) & mask;
    return at;
}

int MCElementCounts::Get(const ECBase* element) const
{
    if (m_used == 0 || !element)
        return 0;
    return m_slots[find(element)].count;
}

MCElementCounts::Slot& MCElementCounts::slotFor(ECBase* element)
{
    if (m_slots.empty() || !roomy(m_slots.size(), m_used + 1))
        rebuild(std::max(kFewestSlots, 2 * m_slots.size()));
    Slot& slot = m_slots[find(element)];
    if (!slot.element) {
        slot.element = element;
        ++m_used;
    }
    return slot;
}

void MCElementCounts::Add(ECBase* element)
{
    if (element)
        ++slotFor(element).count;
}

bool MCElementCounts::AddFirst(ECBase* element)
{
    if (!element)
        return false;
    Slot& slot = slotFor(element);
    if (slot.count > 0)
        return false;
    slot.count = 1;
    return true;
}

void MCElementCounts::Remove(const ECBase* element)
{
    if (m_used == 0 || !element)
        return;
    const size_t mask = m_slots.size() - 1;
    size_t hole = find(element);
    if (!m_slots[hole].element || --m_slots[hole].count > 0)
        return;
    // Emptying a slot: each later element of the run that may not be found past the hole any
    // more moves into it, so that no probe stops short.
    m_slots[hole] = Slot{};
    --m_used;
    for (size_t at = (hole + 1) & mask; m_slots[at].element; at = (at + 1) & mask) {
        const size_t wanted = home(m_slots[at].element);
        // Stays when its home lies cyclically after the hole, up to where it is.
        const bool stays = hole <= at ? (hole < wanted && wanted <= at) : (hole < wanted || wanted <= at);
        if (stays)
            continue;
        m_slots[hole] = m_slots[at];
        m_slots[at] = Slot{};
        hole = at;
    }
}

void MCElementCounts::Clear()
{
    m_slots = std::vector<Slot>();
    m_used = 0;
}

void MCElementCounts::Reserve(size_t elements)
{
    if (roomy(m_slots.size(), elements))
        return;
    size_t slots = std::max(kFewestSlots, m_slots.size());
    while (!roomy(slots, elements))
        slots *= 2;
    rebuild(slots);
}

void MCElementCounts::rebuild(size_t slots)
{
    std::vector<Slot> old(slots);
    old.swap(m_slots);
    for (const Slot& slot : old) {
        if (slot.element)
            m_slots[find(slot.element)] = slot;
    }
}
