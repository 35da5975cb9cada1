#include "notabase/commands/CCAddTrack.h"

#include "notabase/actions/ACFindEvents.h"
#include "notabase/commands/CCAddItem.h"
#include "notabase/commands/CCRemoveTrack.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/model/EventTypes.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECStaff.h"
#include "notabase/score/ECWaveTrack.h"
#include "notabase/values/FCMidi.h"

PLAT_IMPLEMENT_DYNCREATE(CCAddTrack, CCAdd)

CCAddTrack::CCAddTrack(ECTrack* track, int position) : m_insertPosition(position)
{
    CCAdd::Add(track, nullptr, FCMidi::MidiNull());
}

int CCAddTrack::GetCommandId()
{
    return CommandIds::CCAddTrack;
}

void CCAddTrack::AddMidiTrack(unsigned char staffType, int count)
{
    for (int i = 0; i < count; ++i)
        Add(new ECStaff(staffType), nullptr, FCMidi::MidiNull());
}

void CCAddTrack::AddWaveTrack(int count)
{
    for (int i = 0; i < count; ++i)
        Add(new ECWaveTrack, nullptr, FCMidi::MidiNull());
}

void CCAddTrack::RemoveExtraMeasures(ECStaff* staff)
{
    ECConductor* conductor = GetConductor();
    if (!staff || !conductor)
        return;
    ACFindEvents find;
    find.AddEvtType(EventId::Measure);
    find.SetDepth(1);
    find.Apply(staff);
    MCEventList& measures = find.GetEvents();
    measures.Sort();
    // Taken apart as they leave: nothing brings them back, and a measure left holding its notes
    // would keep them and itself alive through their links to each other.
    const int bars = conductor->GetMaxMeasureNumber();
    while (measures.GetCount() > bars) {
        staff->RemoveChild(measures.GetTail(), 1);
        measures.RemoveTail();
    }
}

int CCAddTrack::Process()
{
    if (!CCBase::Process())
        return 0;
    ECConductor* conductor = GetConductor();
    int staffPosition = m_insertPosition;
    int wavePosition = m_insertPosition;
    for (size_t i = 0; i < GetItems().size();) {
        auto* track = plat::dynamicDowncast<ECTrack>(GetItems()[i]->GetChild());
        int placed = 0;
        // A track that cannot be placed leaves the positions of the others as they were.
        switch (track ? track->GetEventId() : -1) {
        case EventId::ConductorStaff:
            conductor->InsertTrack(track, -1);
            break;
        case EventId::Staff:
            RemoveExtraMeasures(static_cast<ECStaff*>(track));
            placed = conductor->InsertTrack(track, staffPosition);
            if (placed >= 0)
                staffPosition = placed + 1;
            break;
        case EventId::WaveTrack:
            placed = conductor->InsertTrack(track, wavePosition);
            if (placed >= 0)
                wavePosition = placed + 1;
            break;
        default:
            break;
        }
        // A new track refused (the piece has as many as track numbers go) is no track of the
        // piece: neither the sequence nor an undo is to take it for one.
        if (placed < 0 && track->GetParents()->IsEmpty())
            DropItem(i);
        else
            ++i;
    }
    return 1;
}

void CCAddTrack::Undo()
{
    if (GetItems().empty())
        return;
    plat::RefPtr<CCRemoveTrack> inverse(new CCRemoveTrack);
    inverse->SetSynchronous(1);
    for (const auto& item : GetItems())
        inverse->Remove(item->GetChild());
    inverse->Apply(GetTarget());
}
