#include "notabase/model/ECSlur.h"

#include "notabase/model/EventTypes.h"

PLAT_IMPLEMENT_SERIAL(ECSlur, ECGroup, plat::kVersionableSchema | 2)

ECSlur::ECSlur(const ECSlur& other) : ECGroup(other)
{
    SetGroupType(initialType);
}

ECBase* ECSlur::Copy(plat::Object* other)
{
    if (auto* group = plat::dynamicDowncast<ECSlur>(other))
        *this = *group;
    return this;
}

int ECSlur::GetEventId() const
{
    return EventId::Slur;
}

int ECSlur::GetParentTypes(std::vector<int>& types) const
{
    types.push_back(EventId::Staff);
    return static_cast<int>(types.size());
}

int ECSlur::RemoveChild(ECBase* child, int recursive)
{
    return removeChildAndDissolve(child, recursive, 2);
}
