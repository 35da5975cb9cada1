#include "notabase/model/ECTurn.h"

#include "notabase/model/EventTypes.h"
#include "platform/core/Archive.h"

PLAT_IMPLEMENT_SERIAL(ECTurn, ECWithChild, plat::kVersionableSchema | 2)

ECTurn::ECTurn(unsigned char type)
{
    SetTurnType(type);
}

ECTurn::ECTurn(const ECTurn& other) : ECWithChild(other)
{
    SetTurnType(other.GetTurnType());
}

ECTurn& ECTurn::operator=(const ECTurn& other)
{
    ECWithChild::operator=(other);
    SetTurnType(other.GetTurnType());
    return *this;
}

ECBase* ECTurn::Copy(plat::Object* other)
{
    if (auto* mark = plat::dynamicDowncast<ECTurn>(other))
        *this = *mark;
    return this;
}

int ECTurn::GetEventId() const
{
    return EventId::Turn;
}

int ECTurn::GetParentTypes(std::vector<int>& types) const
{
    types.insert(types.end(), {EventId::Note, EventId::Chord});
    return static_cast<int>(types.size());
}

void ECTurn::Serialize(plat::Archive& archive)
{
    ECWithChild::Serialize(archive);
    if (archive.isStoring())
        archive.writeU8(GetTurnType());
    else
        SetTurnType(archive.readU8());
}
