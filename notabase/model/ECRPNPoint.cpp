#include "notabase/model/ECRPNPoint.h"

#include "notabase/model/EventTypes.h"

PLAT_IMPLEMENT_SERIAL(ECRPNPoint, ECEnvPoint, plat::kVersionableSchema | 2)

ECBase* ECRPNPoint::Copy(plat::Object* other)
{
    if (auto* point = plat::dynamicDowncast<ECRPNPoint>(other))
        *this = *point;
    return this;
}

int ECRPNPoint::GetEventId() const
{
    return EventId::RPNPoint;
}

int ECRPNPoint::GetParentTypes(std::vector<int>& types) const
{
    types.push_back(EventId::RPNEnv);
    return static_cast<int>(types.size());
}
