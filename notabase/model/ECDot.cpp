#include "notabase/model/ECDot.h"

#include "notabase/model/EventTypes.h"
#include "platform/core/Archive.h"

PLAT_IMPLEMENT_SERIAL(ECDot, ECBase, plat::kVersionableSchema | 2)

ECDot::ECDot(unsigned char type)
{
    SetDotType(type);
}

ECDot::ECDot(const ECDot& other) : ECBase(other)
{
    SetDotType(other.GetDotType());
}

ECDot& ECDot::operator=(const ECDot& other)
{
    ECBase::operator=(other);
    SetDotType(other.GetDotType());
    return *this;
}

void ECDot::SetDotType(unsigned char type)
{
    SetFlags(static_cast<uint16_t>((GetFlags() & 0x00FF) | (type << 8)));
}

ECBase* ECDot::Copy(plat::Object* other)
{
    if (auto* dot = plat::dynamicDowncast<ECDot>(other))
        *this = *dot;
    return this;
}

int ECDot::GetEventId() const
{
    return EventId::Dot;
}

int ECDot::GetParentTypes(std::vector<int>& types) const
{
    types.insert(types.end(), {EventId::Note, EventId::Chord, EventId::Rest});
    return static_cast<int>(types.size());
}

void ECDot::Serialize(plat::Archive& archive)
{
    ECBase::Serialize(archive);
    if (archive.isStoring())
        archive.writeU8(GetDotType());
    else
        SetDotType(archive.readU8());
}
