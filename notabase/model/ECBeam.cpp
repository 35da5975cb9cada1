#include "notabase/model/ECBeam.h"

#include "notabase/model/EventTypes.h"

PLAT_IMPLEMENT_SERIAL(ECBeam, ECGroup, plat::kVersionableSchema | 2)

ECBase* ECBeam::Copy(plat::Object* other)
{
    if (auto* group = plat::dynamicDowncast<ECBeam>(other))
        *this = *group;
    return this;
}

int ECBeam::GetEventId() const
{
    return EventId::Beam;
}

int ECBeam::GetParentTypes(std::vector<int>& types) const
{
    types.push_back(EventId::Measure);
    return static_cast<int>(types.size());
}

