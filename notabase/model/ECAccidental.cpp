#include "notabase/model/ECAccidental.h"

#include "notabase/model/EventTypes.h"
#include "platform/core/Archive.h"

PLAT_IMPLEMENT_SERIAL(ECAccidental, ECBase, plat::kVersionableSchema | 2)

ECAccidental::ECAccidental(unsigned char type)
{
    SetAccidentalType(type);
}

ECAccidental::ECAccidental(const ECAccidental& other) : ECBase(other)
{
    SetAccidentalType(other.GetAccidentalType());
}

ECAccidental& ECAccidental::operator=(const ECAccidental& other)
{
    ECBase::operator=(other);
    SetAccidentalType(other.GetAccidentalType());
    return *this;
}

ECBase* ECAccidental::Copy(plat::Object* other)
{
    if (auto* mark = plat::dynamicDowncast<ECAccidental>(other))
        *this = *mark;
    return this;
}

int ECAccidental::GetEventId() const
{
    return EventId::Accidental;
}

int ECAccidental::GetParentTypes(std::vector<int>& types) const
{
    types.insert(types.end(), {EventId::Note, EventId::GraceNote});
    return static_cast<int>(types.size());
}

void ECAccidental::Serialize(plat::Archive& archive)
{
    ECBase::Serialize(archive);
    if (archive.isStoring())
        archive.writeU8(GetAccidentalType());
    else
        SetAccidentalType(archive.readU8());
}
