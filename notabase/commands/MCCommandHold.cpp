#include "notabase/commands/MCCommandHold.h"

#include "notabase/model/ECBase.h"
#include "notabase/model/ECGroup.h"
#include "notabase/model/EventTypes.h"

void MCCommandHold::Reset(ECBase* element)
{
    if (element) {
        element->Ref();
        element->AddCommandHold();
    }
    ECBase* old = m_element;
    m_element = element;
    if (!old)
        return;
    if (old->ReleaseCommandHold() == 0 && old->IsTakeApartPending()) {
        old->SetTakeApartPending(false);
        if (IsOutsidePieces(old))
            TakeApart(old);
    }
    old->Unref(1);
}

bool MCCommandHold::IsOutsidePieces(ECBase* element)
{
    return element->GetAncestor(EventId::Performance, -1) == nullptr;
}

void MCCommandHold::TakeApart(ECBase* element)
{
    // A group locked while out of the piece keeps its children until its lock bits go.
    if (auto* group = plat::dynamicDowncast<ECGroup>(element)) {
        group->RemoveGroupType(ECGroup::typeLockWhenParentless);
        group->RemoveGroupType(ECGroup::typeLocked);
    }
    const int id = element->GetEventId();
    const bool spanner = id == EventId::Glissando || id == EventId::Slur || id == EventId::Tie;
    element->RemoveChildren(spanner ? 0 : 1);
}
