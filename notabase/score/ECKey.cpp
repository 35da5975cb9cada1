#include "notabase/score/ECKey.h"

#include "notabase/model/ECPerformanceBase.h"
#include "notabase/model/EventTypes.h"
#include "notabase/score/ECStaff.h"
#include "platform/core/Archive.h"

#include <cstdlib>

PLAT_IMPLEMENT_SERIAL(ECKey, ECWithTime, plat::kVersionableSchema | 2)

ECKey::ECKey() : MCMirrored(static_cast<ECBase&>(*this))
{
}

ECKey::ECKey(unsigned char sharps, unsigned char flats, unsigned char mode) : ECKey()
{
    SetNumSharps(sharps);
    SetNumFlats(flats);
    SetMode(mode);
}

ECKey::ECKey(const ECKey& other) : ECWithTime(other), MCMirrored(static_cast<ECBase&>(*this))
{
    setKeyByte(other.keyByte());
}

ECKey& ECKey::operator=(const ECKey& other)
{
    ECWithTime::operator=(other);
    setKeyByte(other.keyByte());
    return *this;
}

ECBase* ECKey::Copy(plat::Object* other)
{
    if (auto* key = plat::dynamicDowncast<ECKey>(other))
        *this = *key;
    return this;
}

int ECKey::GetEventId() const
{
    return EventId::Key;
}

int ECKey::GetParentTypes(std::vector<int>& types) const
{
    types.push_back(EventId::Measure);
    return static_cast<int>(types.size());
}

void ECKey::SetTime(const MCTime* time)
{
    ECStaff::SetCachedEventTime(this, GetHand(), time, [this](const MCTime* t) { ECWithTime::SetTime(t); });
}

void ECKey::Serialize(plat::Archive& archive)
{
    ECWithTime::Serialize(archive);
    if (archive.isStoring()) {
        archive.writeU8(keyByte());
        return;
    }
    if (ECPerformanceBase::GetActiveVersion(archive) >= 3) {
        setKeyByte(archive.readU8());
        return;
    }
    const int keyNumber = archive.readI16();
    archive.readU8();
    archive.readU8();
    setKeyByte(0);
    if (keyNumber > 0)
        SetNumSharps(static_cast<unsigned char>(keyNumber));
    else if (keyNumber < 0)
        SetNumFlats(static_cast<unsigned char>(std::abs(keyNumber)));
}
