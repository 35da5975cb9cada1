#include "notabase/model/ECGlissando.h"

#include "notabase/model/EventTypes.h"

PLAT_IMPLEMENT_SERIAL(ECGlissando, ECGroup, plat::kVersionableSchema | 2)

ECGlissando::ECGlissando(const ECGlissando& other) : ECGroup(other)
{
    SetGroupType(initialType);
}

ECBase* ECGlissando::Copy(plat::Object* other)
{
    if (auto* group = plat::dynamicDowncast<ECGlissando>(other))
        *this = *group;
    return this;
}

int ECGlissando::GetEventId() const
{
    return EventId::Glissando;
}

int ECGlissando::GetParentTypes(std::vector<int>& types) const
{
    types.push_back(EventId::Staff);
    return static_cast<int>(types.size());
}

int ECGlissando::RemoveChild(ECBase* child, int recursive)
{
    return removeChildAndDissolve(child, recursive, 1);
}
