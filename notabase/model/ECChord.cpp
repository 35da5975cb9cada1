#include "notabase/model/ECChord.h"

#include "notabase/model/EventTypes.h"
#include "platform/core/RefPtr.h"

PLAT_IMPLEMENT_SERIAL(ECChord, ECWithTimeChild, plat::kVersionableSchema | 2)

ECBase* ECChord::Copy(plat::Object* other)
{
    if (auto* chord = plat::dynamicDowncast<ECChord>(other))
        *this = *chord;
    return this;
}

int ECChord::GetEventId() const
{
    return EventId::Chord;
}

int ECChord::GetParentTypes(std::vector<int>& types) const
{
    types.insert(types.end(), {EventId::Measure, EventId::Beam, EventId::Tuplet});
    return static_cast<int>(types.size());
}

bool ECChord::holdsNote()
{
    return GetChildren()->FindEvent(EventId::Note) != nullptr;
}

void ECChord::leaveParentsWhenEmpty()
{
    if (GetFlags() & flagHasChildren)
        return;
    // A chord outside the graph has no parents to leave and stays with its owner.
    if (GetParents()->IsEmpty())
        return;
    const plat::RefPtr<ECBase> self(this);
    RemoveFromParents();
}

int ECChord::RemoveChild(ECBase* child, int recursive)
{
    if (!ECWithTimeChild::RemoveChild(child, recursive))
        return 0;
    if (!holdsNote())
        ECWithTimeChild::RemoveChildren(0);
    leaveParentsWhenEmpty();
    return 1;
}

int ECChord::RemoveChildren(int recursive)
{
    if (!ECWithTimeChild::RemoveChildren(recursive))
        return 0;
    leaveParentsWhenEmpty();
    return 1;
}

int ECChord::RemoveFromParents()
{
    if (ECBase* measure = GetAncestor(EventId::Measure, -1)) {
        MCEventList* measureChildren = measure->GetChildren();
        for (ECBase* child : *GetChildren()) {
            if (child->GetEventId() == EventId::Note && !measureChildren->Find(child))
                measure->AddChild(child, 1);
        }
        ECWithTimeChild::RemoveChildren(0);
    }
    return ECBase::RemoveFromParents();
}
