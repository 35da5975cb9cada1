#include "notabase/lists/MCObList.h"

#include "platform/core/Archive.h"

PLAT_IMPLEMENT_SERIAL(MCObList, plat::Object, 0x80000001u)

MCObList::MCObList(int /*blockSize*/)
{
}

MCObList::~MCObList() = default;

plat::Object* MCObList::GetNext(MCPosition& position, const plat::RuntimeClass* cls) const
{
    while (position) {
        plat::Object* item = GetNext(position);
        if (!cls || (item && item->isKindOf(cls)))
            return item;
    }
    return nullptr;
}

plat::Object* MCObList::GetPrev(MCPosition& position, const plat::RuntimeClass* cls) const
{
    while (position) {
        plat::Object* item = GetPrev(position);
        if (!cls || (item && item->isKindOf(cls)))
            return item;
    }
    return nullptr;
}

void MCObList::Serialize(plat::Archive& archive)
{
    if (archive.isStoring()) {
        archive.writeCount(static_cast<uint32_t>(GetCount()));
        for (const plat::Object* item : *this)
            archive.writeObject(item);
        return;
    }
    const uint32_t count = archive.readCount();
    for (uint32_t i = 0; i < count; ++i)
        AddTail(archive.readObject());
}
