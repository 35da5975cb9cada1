#include "notabase/model/ECMordent.h"

#include "notabase/model/EventTypes.h"
#include "platform/core/Archive.h"

PLAT_IMPLEMENT_SERIAL(ECMordent, ECWithChild, plat::kVersionableSchema | 2)

ECMordent::ECMordent(unsigned char type)
{
    SetMordentType(type);
}

ECMordent::ECMordent(const ECMordent& other) : ECWithChild(other)
{
    SetMordentType(other.GetMordentType());
}

ECMordent& ECMordent::operator=(const ECMordent& other)
{
    ECWithChild::operator=(other);
    SetMordentType(other.GetMordentType());
    return *this;
}

ECBase* ECMordent::Copy(plat::Object* other)
{
    if (auto* mark = plat::dynamicDowncast<ECMordent>(other))
        *this = *mark;
    return this;
}

int ECMordent::GetEventId() const
{
    return EventId::Mordent;
}

int ECMordent::GetParentTypes(std::vector<int>& types) const
{
    types.insert(types.end(), {EventId::Note, EventId::Chord});
    return static_cast<int>(types.size());
}

void ECMordent::Serialize(plat::Archive& archive)
{
    ECWithChild::Serialize(archive);
    if (archive.isStoring())
        archive.writeU8(GetMordentType());
    else
        SetMordentType(archive.readU8());
}
