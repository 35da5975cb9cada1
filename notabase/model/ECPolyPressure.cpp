#include "notabase/model/ECPolyPressure.h"

#include "notabase/model/EventTypes.h"
#include "platform/core/Archive.h"

#include <algorithm>

PLAT_IMPLEMENT_SERIAL(ECPolyPressure, ECEnvPoint, plat::kVersionableSchema | 2)

ECPolyPressure::ECPolyPressure(unsigned char key)
{
    SetKey(key);
}

ECPolyPressure::ECPolyPressure(const ECPolyPressure& other) : ECEnvPoint(other)
{
    SetKey(other.GetKey());
}

ECPolyPressure& ECPolyPressure::operator=(const ECPolyPressure& other)
{
    ECEnvPoint::operator=(other);
    SetKey(other.GetKey());
    return *this;
}

ECBase* ECPolyPressure::Copy(plat::Object* other)
{
    if (auto* point = plat::dynamicDowncast<ECPolyPressure>(other))
        *this = *point;
    return this;
}

int ECPolyPressure::GetEventId() const
{
    return EventId::PolyPressure;
}

int ECPolyPressure::GetParentTypes(std::vector<int>& types) const
{
    types.push_back(EventId::PolyPressureEnv);
    return static_cast<int>(types.size());
}

void ECPolyPressure::Serialize(plat::Archive& archive)
{
    ECEnvPoint::Serialize(archive);
    if (archive.isStoring())
        archive.writeU8(GetKey());
    else
        SetKey(std::min<unsigned char>(archive.readU8(), 127));  // keys are 7-bit
}
