#include "notabase/model/ECRepeat.h"

#include "notabase/model/EventTypes.h"
#include "platform/core/Archive.h"

PLAT_IMPLEMENT_SERIAL(ECRepeat, ECWithTimeChild, plat::kVersionableSchema | 2)

ECRepeat::ECRepeat(unsigned char type)
{
    SetRepeatType(type);
}

ECRepeat::ECRepeat(const ECRepeat& other) : ECWithTimeChild(other)
{
    SetRepeatType(other.GetRepeatType());
}

ECRepeat& ECRepeat::operator=(const ECRepeat& other)
{
    ECWithTimeChild::operator=(other);
    SetRepeatType(other.GetRepeatType());
    return *this;
}

ECBase* ECRepeat::Copy(plat::Object* other)
{
    if (auto* mark = plat::dynamicDowncast<ECRepeat>(other))
        *this = *mark;
    return this;
}

int ECRepeat::GetEventId() const
{
    return EventId::Repeat;
}

int ECRepeat::GetParentTypes(std::vector<int>& types) const
{
    types.push_back(EventId::Measure);
    return static_cast<int>(types.size());
}

void ECRepeat::Serialize(plat::Archive& archive)
{
    ECWithTimeChild::Serialize(archive);
    if (archive.isStoring())
        archive.writeU8(GetRepeatType());
    else
        SetRepeatType(archive.readU8());
}
