#include "notabase/model/ECPan.h"

#include "notabase/model/EventTypes.h"

PLAT_IMPLEMENT_SERIAL(ECPan, ECControlChange, plat::kVersionableSchema | 2)

ECBase* ECPan::Copy(plat::Object* other)
{
    if (auto* point = plat::dynamicDowncast<ECPan>(other))
        *this = *point;
    return this;
}

int ECPan::GetEventId() const
{
    return EventId::Pan;
}

int ECPan::GetParentTypes(std::vector<int>& types) const
{
    types.insert(types.end(), {EventId::Envelope, EventId::ControllerEnv});
    return static_cast<int>(types.size());
}
