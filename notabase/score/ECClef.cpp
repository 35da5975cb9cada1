#include "notabase/score/ECClef.h"

#include "notabase/model/ECPerformanceBase.h"
#include "notabase/model/EventTypes.h"
#include "notabase/score/ECStaff.h"
#include "platform/core/Archive.h"

PLAT_IMPLEMENT_SERIAL(ECClef, ECWithTime, plat::kVersionableSchema | 2)

ECClef::ECClef() : MCMirrored(static_cast<ECBase&>(*this))
{
}

ECClef::ECClef(unsigned char type) : ECClef()
{
    SetClefType(type);
}

ECClef::ECClef(const ECClef& other) : ECWithTime(other), MCMirrored(static_cast<ECBase&>(*this))
{
    setClefByte(other.clefByte());
}

ECClef& ECClef::operator=(const ECClef& other)
{
    ECWithTime::operator=(other);
    setClefByte(other.clefByte());
    return *this;
}

ECBase* ECClef::Copy(plat::Object* other)
{
    if (auto* clef = plat::dynamicDowncast<ECClef>(other))
        *this = *clef;
    return this;
}

int ECClef::GetEventId() const
{
    return EventId::Clef;
}

int ECClef::GetParentTypes(std::vector<int>& types) const
{
    types.push_back(EventId::Measure);
    return static_cast<int>(types.size());
}

void ECClef::SetTime(const MCTime* time)
{
    ECStaff::SetCachedEventTime(this, GetHand(), time, [this](const MCTime* t) { ECWithTime::SetTime(t); });
}

void ECClef::Serialize(plat::Archive& archive)
{
    ECWithTime::Serialize(archive);
    if (archive.isStoring()) {
        archive.writeU8(clefByte());
        return;
    }
    if (ECPerformanceBase::GetActiveVersion(archive) >= 3) {
        setClefByte(archive.readU8());
        return;
    }
    const uint8_t type = archive.readU8();
    const uint8_t hand = archive.readU8();
    SetClefType(type);
    SetHand(hand);
}
