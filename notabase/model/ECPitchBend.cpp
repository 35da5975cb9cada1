#include "notabase/model/ECPitchBend.h"

#include "notabase/model/EventTypes.h"

PLAT_IMPLEMENT_SERIAL(ECPitchBend, ECEnvPoint, plat::kVersionableSchema | 2)

ECBase* ECPitchBend::Copy(plat::Object* other)
{
    if (auto* point = plat::dynamicDowncast<ECPitchBend>(other))
        *this = *point;
    return this;
}

int ECPitchBend::GetEventId() const
{
    return EventId::PitchBend;
}

int ECPitchBend::GetParentTypes(std::vector<int>& types) const
{
    types.push_back(EventId::PitchBendEnv);
    return static_cast<int>(types.size());
}
