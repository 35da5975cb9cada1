#include "notabase/model/ECChannelPressure.h"

#include "notabase/model/EventTypes.h"

PLAT_IMPLEMENT_SERIAL(ECChannelPressure, ECEnvPoint, plat::kVersionableSchema | 2)

ECBase* ECChannelPressure::Copy(plat::Object* other)
{
    if (auto* point = plat::dynamicDowncast<ECChannelPressure>(other))
        *this = *point;
    return this;
}

int ECChannelPressure::GetEventId() const
{
    return EventId::ChannelPressure;
}

int ECChannelPressure::GetParentTypes(std::vector<int>& types) const
{
    types.push_back(EventId::ChanPressureEnv);
    return static_cast<int>(types.size());
}
