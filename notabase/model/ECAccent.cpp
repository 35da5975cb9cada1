#include "notabase/model/ECAccent.h"

#include "notabase/model/EventTypes.h"
#include "platform/core/Archive.h"

PLAT_IMPLEMENT_SERIAL(ECAccent, ECBase, plat::kVersionableSchema | 2)

ECAccent::ECAccent(unsigned char type)
{
    SetAccentType(type);
}

ECAccent::ECAccent(const ECAccent& other) : ECBase(other)
{
    SetAccentType(other.GetAccentType());
}

ECAccent& ECAccent::operator=(const ECAccent& other)
{
    ECBase::operator=(other);
    SetAccentType(other.GetAccentType());
    return *this;
}

ECBase* ECAccent::Copy(plat::Object* other)
{
    if (auto* mark = plat::dynamicDowncast<ECAccent>(other))
        *this = *mark;
    return this;
}

int ECAccent::GetEventId() const
{
    return EventId::Accent;
}

int ECAccent::GetParentTypes(std::vector<int>& types) const
{
    types.insert(types.end(), {EventId::Note, EventId::Chord, EventId::GraceNote});
    return static_cast<int>(types.size());
}

void ECAccent::Serialize(plat::Archive& archive)
{
    ECBase::Serialize(archive);
    if (archive.isStoring())
        archive.writeU8(GetAccentType());
    else
        SetAccentType(archive.readU8());
}
