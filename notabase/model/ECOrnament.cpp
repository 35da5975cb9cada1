#include "notabase/model/ECOrnament.h"

#include "notabase/model/EventTypes.h"
#include "platform/core/Archive.h"

PLAT_IMPLEMENT_SERIAL(ECOrnament, ECWithChild, plat::kVersionableSchema | 2)

ECOrnament::ECOrnament(unsigned char type)
{
    SetOrnamentType(type);
}

ECOrnament::ECOrnament(const ECOrnament& other) : ECWithChild(other)
{
    SetOrnamentType(other.GetOrnamentType());
}

ECOrnament& ECOrnament::operator=(const ECOrnament& other)
{
    ECWithChild::operator=(other);
    SetOrnamentType(other.GetOrnamentType());
    return *this;
}

ECBase* ECOrnament::Copy(plat::Object* other)
{
    if (auto* mark = plat::dynamicDowncast<ECOrnament>(other))
        *this = *mark;
    return this;
}

int ECOrnament::GetEventId() const
{
    return EventId::Ornament;
}

int ECOrnament::GetParentTypes(std::vector<int>& types) const
{
    types.push_back(EventId::Note);
    return static_cast<int>(types.size());
}

void ECOrnament::Serialize(plat::Archive& archive)
{
    ECWithChild::Serialize(archive);
    if (archive.isStoring())
        archive.writeU8(GetOrnamentType());
    else
        SetOrnamentType(archive.readU8());
}
