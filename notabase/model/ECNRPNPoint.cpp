#include "notabase/model/ECNRPNPoint.h"

#include "notabase/model/EventTypes.h"

PLAT_IMPLEMENT_SERIAL(ECNRPNPoint, ECEnvPoint, plat::kVersionableSchema | 2)

ECBase* ECNRPNPoint::Copy(plat::Object* other)
{
    if (auto* point = plat::dynamicDowncast<ECNRPNPoint>(other))
        *this = *point;
    return this;
}

int ECNRPNPoint::GetEventId() const
{
    return EventId::NRPNPoint;
}

int ECNRPNPoint::GetParentTypes(std::vector<int>& types) const
{
    types.push_back(EventId::NRPNEnv);
    return static_cast<int>(types.size());
}
