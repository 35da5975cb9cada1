#include "notabase/model/MCDataArray.h"

#include "notabase/data/DCBase.h"
#include "notabase/model/ECBase.h"
#include "notabase/model/ECPerformanceBase.h"
#include "platform/core/Archive.h"

#include <algorithm>
#include <stdexcept>
#include <string>

PLAT_IMPLEMENT_SERIAL(MCDataArray, plat::Object, 0)

namespace {

constexpr int typeToSlot[MCDataArray::maxSlots] = {0, 3, 1, 4, 5, 2};
constexpr int slotToType[MCDataArray::maxSlots] = {0, 2, 5, 1, 3, 4};

[[noreturn]] void fail(const std::string& what)
{
    throw plat::ArchiveError(plat::ArchiveError::Cause::generic, "element data: " + what);
}

}  // namespace

int MCDataArray::ViewCodeToIndex(int type)
{
    return type >= 0 && type < maxSlots ? typeToSlot[type] : 0;
}

int MCDataArray::IndexToViewCode(int slot)
{
    return slot >= 0 && slot < maxSlots ? slotToType[slot] : 0;
}

bool MCDataArray::IsSerializable(const DCBase* component)
{
    if (!component)
        return false;
    const plat::RuntimeClass* cls = component->runtimeClass();
    return cls && cls->factory && cls->schema != plat::kNoSchema;
}

std::vector<DCBase*>& MCDataArray::madeSlots()
{
    m_slots.resize(static_cast<size_t>(m_size), nullptr);
    return m_slots;
}

void MCDataArray::SetSize(int n)
{
    if (n <= 0) {
        RemoveAll();
        return;
    }
    m_size = n;
    // Storage is made only once a slot is written; what lies past the new size goes.
    if (m_slots.size() > static_cast<size_t>(n))
        m_slots.resize(static_cast<size_t>(n));
}

void MCDataArray::RemoveAll()
{
    m_slots.clear();
    m_slots.shrink_to_fit();
    m_size = 0;
}

DCBase* MCDataArray::GetAt(int i) const
{
    return i >= 0 && static_cast<size_t>(i) < m_slots.size() ? m_slots[static_cast<size_t>(i)] : nullptr;
}

DCBase*& MCDataArray::ElementAt(int i)
{
    if (i < 0 || i >= m_size)
        throw std::out_of_range("MCDataArray: no slot " + std::to_string(i));
    return madeSlots()[static_cast<size_t>(i)];
}

void MCDataArray::SetAt(int i, DCBase* component)
{
    if (i < 0 || i >= GetSize())
        return;
    // A slot never written is empty already.
    if (!component && static_cast<size_t>(i) >= m_slots.size())
        return;
    madeSlots()[static_cast<size_t>(i)] = component;
}

void MCDataArray::SetAtGrow(int i, DCBase* component)
{
    if (i < 0)
        return;
    if (i >= GetSize())
        SetSize(i + 1);
    madeSlots()[static_cast<size_t>(i)] = component;
}

int MCDataArray::Add(DCBase* component)
{
    SetSize(GetSize() + 1);
    madeSlots().back() = component;
    return GetSize() - 1;
}

void MCDataArray::Serialize(plat::Archive& archive)
{
    if (archive.isStoring()) {
        int count = 0;
        int highest = 0;
        for (int slot = 0; slot < GetSize(); ++slot) {
            if (IsSerializable(GetAt(slot))) {
                ++count;
                highest = slot;
            }
        }
        archive.writeU8(static_cast<uint8_t>(count));
        archive.writeU8(static_cast<uint8_t>(highest));
        for (int slot = 0; slot <= highest && slot < GetSize(); ++slot) {
            if (IsSerializable(GetAt(slot))) {
                archive.writeU8(static_cast<uint8_t>(IndexToViewCode(slot)));
                archive.writeObject(GetAt(slot));
            }
        }
        return;
    }

    if (GetSize() != 0)
        fail("loaded into an element that already holds data");
    if (ECPerformanceBase::GetActiveVersion(archive) >= 3) {
        const int count = archive.readU8();
        const int highest = archive.readU8();
        if (highest >= maxSlots || count > highest + 1)
            fail("bad slot count " + std::to_string(count) + " up to slot " + std::to_string(highest));
        SetSize(highest + 1);
        for (int i = 0; i < count; ++i) {
            const int type = archive.readU8();
            const int slot = type < maxSlots ? typeToSlot[type] : maxSlots;
            if (slot > highest)
                fail("data type " + std::to_string(type) + " beyond the stored slots");
            if (GetAt(slot))
                fail("data type " + std::to_string(type) + " stored twice");
            madeSlots()[static_cast<size_t>(slot)] = archive.readExclusiveObjectAs<DCBase>();
        }
        return;
    }

    // Older documents: one entry per data type from 0 on, nulls included. There are only six
    // data types: a longer array is damaged, and would overwrite slot 0 if read on.
    const uint32_t count = archive.readCount();
    if (count > static_cast<uint32_t>(maxSlots))
        fail("old-form array of " + std::to_string(count) + " entries");
    int size = 0;
    for (uint32_t type = 0; type < count; ++type)
        size = std::max(size, typeToSlot[type] + 1);
    SetSize(size);
    for (uint32_t type = 0; type < count; ++type)
        madeSlots()[static_cast<size_t>(typeToSlot[type])] = archive.readExclusiveObjectAs<DCBase>();
}
