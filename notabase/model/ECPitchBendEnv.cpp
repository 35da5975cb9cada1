#include "notabase/model/ECPitchBendEnv.h"

#include "notabase/model/EventTypes.h"

PLAT_IMPLEMENT_SERIAL(ECPitchBendEnv, ECEnvelope, plat::kVersionableSchema | 2)

ECPitchBendEnv::ECPitchBendEnv()
{
    SetLimits(0.0f, 16383.0f);
    SetDefaultValue(8192.0f);
}

ECBase* ECPitchBendEnv::Copy(plat::Object* other)
{
    if (auto* envelope = plat::dynamicDowncast<ECPitchBendEnv>(other))
        *this = *envelope;
    return this;
}

int ECPitchBendEnv::GetEventId() const
{
    return EventId::PitchBendEnv;
}

int ECPitchBendEnv::GetParentTypes(std::vector<int>& types) const
{
    types.push_back(EventId::Staff);
    return static_cast<int>(types.size());
}
