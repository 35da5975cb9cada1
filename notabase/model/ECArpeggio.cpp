#include "notabase/model/ECArpeggio.h"

#include "notabase/model/EventTypes.h"
#include "platform/core/Archive.h"

PLAT_IMPLEMENT_SERIAL(ECArpeggio, ECWithChild, plat::kVersionableSchema | 2)

ECArpeggio::ECArpeggio(unsigned char type)
{
    SetArpeggioType(type);
}

ECArpeggio::ECArpeggio(const ECArpeggio& other) : ECWithChild(other)
{
    SetArpeggioType(other.GetArpeggioType());
}

ECArpeggio& ECArpeggio::operator=(const ECArpeggio& other)
{
    ECWithChild::operator=(other);
    SetArpeggioType(other.GetArpeggioType());
    return *this;
}

ECBase* ECArpeggio::Copy(plat::Object* other)
{
    if (auto* mark = plat::dynamicDowncast<ECArpeggio>(other))
        *this = *mark;
    return this;
}

int ECArpeggio::GetEventId() const
{
    return EventId::Arpeggio;
}

int ECArpeggio::GetParentTypes(std::vector<int>& types) const
{
    types.push_back(EventId::Chord);
    return static_cast<int>(types.size());
}

void ECArpeggio::Serialize(plat::Archive& archive)
{
    ECWithChild::Serialize(archive);
    if (archive.isStoring())
        archive.writeU8(GetArpeggioType());
    else
        SetArpeggioType(archive.readU8());
}
