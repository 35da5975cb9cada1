#include "notabase/model/ECChanPressureEnv.h"

#include "notabase/model/EventTypes.h"

PLAT_IMPLEMENT_SERIAL(ECChanPressureEnv, ECEnvelope, plat::kVersionableSchema | 2)

ECChanPressureEnv::ECChanPressureEnv()
{
    SetLimits(0.0f, 127.0f);
}

ECBase* ECChanPressureEnv::Copy(plat::Object* other)
{
    if (auto* envelope = plat::dynamicDowncast<ECChanPressureEnv>(other))
        *this = *envelope;
    return this;
}

int ECChanPressureEnv::GetEventId() const
{
    return EventId::ChanPressureEnv;
}

int ECChanPressureEnv::GetParentTypes(std::vector<int>& types) const
{
    types.push_back(EventId::Staff);
    return static_cast<int>(types.size());
}
