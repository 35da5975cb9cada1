#include "notabase/commands/CCRemoveTrack.h"

#include "notabase/commands/CCRemoveItem.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/model/EventTypes.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECTrack.h"

PLAT_IMPLEMENT_DYNCREATE(CCRemoveTrack, CCRemove)

CCRemoveTrack::CCRemoveTrack()
{
    SetCanUndo(0);
}

CCRemoveTrack::CCRemoveTrack(ECTrack* track) : CCRemoveTrack()
{
    CCRemoveTrack::Remove(track);
}

int CCRemoveTrack::GetCommandId()
{
    return CommandIds::CCRemoveTrack;
}

CCRemoveItem* CCRemoveTrack::Remove(ECBase* element)
{
    if (!element || IsRemoving(element))
        return nullptr;
    const int id = element->GetEventId();
    if (id != EventId::Staff && id != EventId::WaveTrack)
        return nullptr;
    return AddItem(std::make_unique<CCRemoveItem>(element));
}

int CCRemoveTrack::Process()
{
    if (!CCBase::Process())
        return 0;
    ECConductor* conductor = GetConductor();
    for (const auto& item : GetItems())
        conductor->RemoveTrack(plat::dynamicDowncast<ECTrack>(item->GetChild()));
    return 1;
}
