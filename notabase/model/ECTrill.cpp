#include "notabase/model/ECTrill.h"

#include "notabase/model/EventTypes.h"
#include "platform/core/Archive.h"

PLAT_IMPLEMENT_SERIAL(ECTrill, ECWithTimeChild, plat::kVersionableSchema | 2)

ECTrill::ECTrill(unsigned char type)
{
    SetTrillType(type);
}

ECTrill::ECTrill(const ECTrill& other) : ECWithTimeChild(other)
{
    SetTrillType(other.GetTrillType());
}

ECTrill& ECTrill::operator=(const ECTrill& other)
{
    ECWithTimeChild::operator=(other);
    SetTrillType(other.GetTrillType());
    return *this;
}

ECBase* ECTrill::Copy(plat::Object* other)
{
    if (auto* mark = plat::dynamicDowncast<ECTrill>(other))
        *this = *mark;
    return this;
}

int ECTrill::GetEventId() const
{
    return EventId::Trill;
}

int ECTrill::GetParentTypes(std::vector<int>& types) const
{
    types.insert(types.end(), {EventId::Note, EventId::Chord});
    return static_cast<int>(types.size());
}

void ECTrill::Serialize(plat::Archive& archive)
{
    ECWithTimeChild::Serialize(archive);
    if (archive.isStoring())
        archive.writeU8(GetTrillType());
    else
        SetTrillType(archive.readU8());
}
