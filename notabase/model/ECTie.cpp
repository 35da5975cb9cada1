#include "notabase/model/ECTie.h"

#include "notabase/model/EventTypes.h"

PLAT_IMPLEMENT_SERIAL(ECTie, ECGroup, plat::kVersionableSchema | 2)

ECTie::ECTie(const ECTie& other) : ECGroup(other)
{
    SetGroupType(initialType);
}

ECBase* ECTie::Copy(plat::Object* other)
{
    if (auto* group = plat::dynamicDowncast<ECTie>(other))
        *this = *group;
    return this;
}

int ECTie::GetEventId() const
{
    return EventId::Tie;
}

int ECTie::GetParentTypes(std::vector<int>& types) const
{
    types.push_back(EventId::Staff);
    return static_cast<int>(types.size());
}

int ECTie::RemoveChild(ECBase* child, int recursive)
{
    return removeChildAndDissolve(child, recursive, 1);
}
