#include "notabase/model/ECTremolo.h"

#include "notabase/model/EventTypes.h"
#include "platform/core/Archive.h"

PLAT_IMPLEMENT_SERIAL(ECTremolo, ECWithTimeChild, plat::kVersionableSchema | 2)

ECTremolo::ECTremolo(unsigned char type)
{
    SetTremoloType(type);
}

ECTremolo::ECTremolo(const ECTremolo& other) : ECWithTimeChild(other)
{
    SetTremoloType(other.GetTremoloType());
}

ECTremolo& ECTremolo::operator=(const ECTremolo& other)
{
    ECWithTimeChild::operator=(other);
    SetTremoloType(other.GetTremoloType());
    return *this;
}

ECBase* ECTremolo::Copy(plat::Object* other)
{
    if (auto* mark = plat::dynamicDowncast<ECTremolo>(other))
        *this = *mark;
    return this;
}

int ECTremolo::GetEventId() const
{
    return EventId::Tremolo;
}

int ECTremolo::GetParentTypes(std::vector<int>& types) const
{
    types.insert(types.end(), {EventId::Note, EventId::Chord});
    return static_cast<int>(types.size());
}

void ECTremolo::Serialize(plat::Archive& archive)
{
    ECWithTimeChild::Serialize(archive);
    if (archive.isStoring())
        archive.writeU8(GetTremoloType());
    else
        SetTremoloType(archive.readU8());
}
