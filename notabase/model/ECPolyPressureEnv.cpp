#include "notabase/model/ECPolyPressureEnv.h"

#include "notabase/model/EventTypes.h"
#include "platform/core/Archive.h"

PLAT_IMPLEMENT_SERIAL(ECPolyPressureEnv, ECEnvelope, plat::kVersionableSchema | 2)

ECPolyPressureEnv::ECPolyPressureEnv()
{
    SetLimits(0.0f, 127.0f);
}

ECPolyPressureEnv::ECPolyPressureEnv(const ECPolyPressureEnv& other) : ECEnvelope(other)
{
    SetKey(other.GetKey());
}

ECPolyPressureEnv& ECPolyPressureEnv::operator=(const ECPolyPressureEnv& other)
{
    ECEnvelope::operator=(other);
    SetKey(other.GetKey());
    return *this;
}

void ECPolyPressureEnv::SetKey(int key)
{
    if (key >= 0 && key <= 127)
        SetFlags(static_cast<uint16_t>((GetFlags() & 0x00FF) | (key << 8)));
}

ECBase* ECPolyPressureEnv::Copy(plat::Object* other)
{
    if (auto* envelope = plat::dynamicDowncast<ECPolyPressureEnv>(other))
        *this = *envelope;
    return this;
}

int ECPolyPressureEnv::GetEventId() const
{
    return EventId::PolyPressureEnv;
}

int ECPolyPressureEnv::GetParentTypes(std::vector<int>& types) const
{
    types.push_back(EventId::Staff);
    return static_cast<int>(types.size());
}

void ECPolyPressureEnv::Serialize(plat::Archive& archive)
{
    ECEnvelope::Serialize(archive);
    if (archive.isStoring())
        archive.writeU8(static_cast<uint8_t>(GetKey()));
    else
        SetKey(archive.readU8());
}
