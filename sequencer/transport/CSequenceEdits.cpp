#include "sequencer/transport/CSequence.h"

#include "notabase/score/ECConductor.h"
#include "notabase//actions/ACFindData.h"
#include "notabase/commands/CCAdd.h"
#include "notabase/commands/CCAddKey.h"
#include "notabase/commands/CCAddMeter.h"
#include "notabase/commands/CCAddTrack.h"
#include "notabase/commands/CCEdit.h"
#include "notabase/commands/CCEditData.h"
#include "notabase/commands/CCEditDurItem.h"
#include "notabase/commands/CCEditDuration.h"
#include "notabase/commands/CCEditGraph.h"
#include "notabase/commands/CCEditTime.h"
#include "notabase/commands/CCKeyInfo.h"
#include "notabase/commands/CCMeterInfo.h"
#include "notabase/commands/CCRemove.h"
#include "notabase/commands/CCRemoveKey.h"
#include "notabase/commands/CCRemoveMeter.h"
#include "notabase/commands/CCRemoveTrack.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/model/ECBase.h"
#include "notabase/model/ECEnvelope.h"
#include "notabase/model/EventTypes.h"
#include "notabase/score/ECStaff.h"
#include "sequencer/data/DCsqBase.h"
#include "sequencer/data/DCsqStaff.h"
#include "sequencer/data/DCsqTrack.h"
#include "sequencer/envelopes/CMidiEnvelopeMgr.h"
#include "sequencer/transport/CSequenceLocked.h"

#include <utility>

int CSequence::OnCommand(ECBase* /*target*/, int phase, void* commands, void* user)
{
    auto* sequence = static_cast<CSequence*>(user);
    auto* list = static_cast<MCCommandList*>(commands);
    if (phase != 0 && phase != 1)
        return -1;
    if (!sequence || !list)
        return 1;
    if (phase == 0) {
        // Every pass of the prepare phase collects the batch's removals anew, so a pass
        // repeated, or a batch that never got processed, leaves nothing behind.
        {
            Locked locked(*sequence);
            sequence->m_pendingRemovals.RemoveAll();
        }
        for (CCBase* command : *list) {
            switch (command->GetCommandId()) {
            case CommandIds::CCRemove:
            case CommandIds::CCRemoveEnvPoint:
            case CommandIds::CCRemoveMeasure:
            case CommandIds::CCRemoveMeter:
            case CommandIds::CCRemoveTrack:
                sequence->PrepareRemove(plat::dynamicDowncast<CCRemove>(command));
                break;
            default:
                break;
            }
        }
        return 1;
    }
    // Every handler takes null: a command of another class under one of these ids is passed
    // over.
    for (CCBase* command : *list) {
        switch (command->GetCommandId()) {
        case CommandIds::CCAdd:
        case CommandIds::CCAddNoteModifier:
        case CommandIds::CCAddSysEx:
        case CommandIds::CCAddTuplet:
            sequence->ProcessAdd(plat::dynamicDowncast<CCAdd>(command));
            break;
        case CommandIds::CCAddKey:
            sequence->ProcessAddKey(plat::dynamicDowncast<CCAddKey>(command));
            break;
        case CommandIds::CCAddMeter:
            sequence->ProcessAddMeter(plat::dynamicDowncast<CCAddMeter>(command));
            break;
        case CommandIds::CCAddTrack:
        case CommandIds::CCCopyTracks:
            sequence->ProcessAddTrack(plat::dynamicDowncast<CCAddTrack>(command));
            break;
        case CommandIds::CCEdit:
            sequence->ProcessEdit(plat::dynamicDowncast<CCEdit>(command));
            break;
        case CommandIds::CCEditData:
        case CommandIds::CCEditPatch:
            sequence->ProcessEditData(plat::dynamicDowncast<CCEditData>(command));
            break;
        case CommandIds::CCEditDuration:
            sequence->ProcessEditDuration(plat::dynamicDowncast<CCEditDuration>(command));
            break;
        case CommandIds::CCEditGraph:
            sequence->ProcessEditGraph(plat::dynamicDowncast<CCEditGraph>(command));
            break;
        case CommandIds::CCEditTime:
            sequence->ProcessEditTime(plat::dynamicDowncast<CCEditTime>(command));
            break;
        case CommandIds::CCRemove:
        case CommandIds::CCRemoveMeasure:
        // A removed point whose data stands in the list must not stay linked to it.
        case CommandIds::CCRemoveEnvPoint:
            sequence->ProcessRemove(plat::dynamicDowncast<CCRemove>(command));
            break;
        case CommandIds::CCRemoveKey:
            sequence->ProcessRemoveKey(plat::dynamicDowncast<CCRemoveKey>(command));
            break;
        case CommandIds::CCRemoveMeter:
            sequence->ProcessRemoveMeter(plat::dynamicDowncast<CCRemoveMeter>(command));
            break;
        case CommandIds::CCRemoveTrack:
            sequence->ProcessRemoveTrack(plat::dynamicDowncast<CCRemoveTrack>(command));
            break;
        default:
            break;
        }
    }
    // What the batch's meter removals collected is not taken by their own handler: let go of
    // it, so no removed element is kept alive until the next edit.
    Locked locked(*sequence);
    sequence->m_pendingRemovals.RemoveAll();
    return 1;
}

int CSequence::PrepareRemove(CCRemove* command)
{
    if (!command)
        return 0;
    Locked locked(*this);
    for (const auto& item : command->GetItems()) {
        ECBase* child = item ? item->GetChild() : nullptr;
        if (!child)
            continue;
        // What a spanner or a tuplet spans stays; everything below anything else goes with it.
        const int id = child->GetEventId();
        const bool alone = id == EventId::Slur || id == EventId::Tie || id == EventId::Transpose || id == EventId::Tuplet;
        ACFindData find(0);
        find.SetDepth(alone ? 0 : ACBase::noDepthLimit);
        find.Apply(child);
        m_pendingRemovals.AddEvents(find.GetEvents());
    }
    return 1;
}

int CSequence::ProcessRemove(CCRemove* command)
{
    Locked locked(*this);
    for (ECBase* element : m_pendingRemovals)
        RemoveData(ListData(element));
    m_pendingRemovals.RemoveAll();
    if (!command)
        return 1;
    // An envelope taken out of the score no longer plays.
    for (const auto& item : command->GetItems()) {
        auto* envelope = item ? plat::dynamicDowncast<ECEnvelope>(item->GetChild()) : nullptr;
        auto* staff = envelope ? plat::dynamicDowncast<DCsqStaff>(DCsqTrack::GetTrackData(envelope, 1, this)) : nullptr;
        for (int voice = 0; staff && voice < DCsqTrack::voiceCount; ++voice) {
            if (CMidiEnvelopeMgr* manager = staff->GetMidiEnvelopeMgr(voice, 0))
                manager->RemoveEnvelope(envelope);
        }
    }
    return 1;
}

int CSequence::ProcessRemoveTrack(CCRemoveTrack* /*command*/)
{
    Locked locked(*this);
    bool staff = false;
    for (ECBase* element : m_pendingRemovals) {
        RemoveData(ListData(element));
        staff = staff || element->GetEventId() == EventId::Staff;
    }
    m_pendingRemovals.RemoveAll();
    if (staff)
        m_meterLevelMgr.UpdateTrackCount();
    return 1;
}

int CSequence::ProcessRemoveKey(CCRemoveKey* command)
{
    if (!command)
        return 0;
    Locked locked(*this);
    for (int i = 0; i < 3; ++i) {
        if (const CCKeyInfo* info = command->GetKeyInfo(i); info && info->ShouldRemove())
            RemoveData(ListData(info->GetKey()));
    }
    return 1;
}

int CSequence::ProcessRemoveMeter(CCRemoveMeter* command)
{
    if (!command)
        return 0;
    Locked locked(*this);
    for (int i = 0; i < 3; ++i) {
        if (const CCMeterInfo* info = command->GetMeterInfo(i); info && info->ShouldRemove())
            RemoveData(ListData(info->GetMeter()));
    }
    return 1;
}

int CSequence::ProcessAdd(CCAdd* command)
{
    if (!command)
        return 0;
    Locked locked(*this);
    for (const auto& item : command->GetItems()) {
        ECBase* element = item ? item->GetChild() : nullptr;
        if (!element)
            continue;
        switch (element->GetEventId()) {
        case EventId::Note: {
            // A staff that gets a note is no longer empty.
            const MCVoiceTrack* voiceTrack = element->GetVoiceTrack();
            if (m_conductor && voiceTrack && !voiceTrack->IsConverted()) {
                if (auto* staff = plat::dynamicDowncast<ECStaff>(m_conductor->GetTrack(1, voiceTrack->GetTrack(), 0)))
                    staff->SetStaffEmpty(0);
            }
            m_midiScoreMgr.AddEventData(element, item->GetMidiData());
            break;
        }
        case EventId::Wave:
            if (!m_waveScoreMgr.AddEventData(element))
                return 0;
            break;
        default:
            m_midiScoreMgr.AddEventData(element, item->GetMidiData());
            break;
        }
    }
    return 1;
}

int CSequence::ProcessAddKey(CCAddKey* command)
{
    if (!command)
        return 0;
    return ProcessAddedMark([command](int i) -> std::pair<ECBase*, bool> {
        const CCKeyInfo* info = command->GetKeyInfo(i);
        return {info ? info->GetKey() : nullptr, info && info->ShouldRemove()};
    });
}

int CSequence::ProcessAddMeter(CCAddMeter* command)
{
    if (!command)
        return 0;
    return ProcessAddedMark([command](int i) -> std::pair<ECBase*, bool> {
        const CCMeterInfo* info = command->GetMeterInfo(i);
        return {info ? info->GetMeter() : nullptr, info && info->ShouldRemove()};
    });
}

int CSequence::ProcessAddedMark(const std::function<std::pair<ECBase*, bool>(int)>& snapshot)
{
    Locked locked(*this);
    if (const auto [added, removed] = snapshot(0); added && !removed)
        m_midiScoreMgr.AddEventData(added, FCMidi::MidiNull());
    for (int i = 1; i < 3; ++i) {
        if (const auto [neighbour, removed] = snapshot(i); neighbour && removed)
            RemoveData(ListData(neighbour));
    }
    return 1;
}

int CSequence::ProcessAddTrack(CCAddTrack* command)
{
    if (!command)
        return 0;
    Locked locked(*this);
    MCEventList tracks;
    command->GetAddEvents(tracks);
    bool staffAdded = false;
    for (ECBase* track : tracks) {
        switch (track->GetEventId()) {
        case EventId::ConductorStaff:
        case EventId::Staff:
            if (!m_midiScoreMgr.AddEventData(track, FCMidi::MidiNull()))
                return 0;
            LinkTrackData(track);
            staffAdded = staffAdded || track->GetEventId() == EventId::Staff;
            break;
        case EventId::WaveTrack:
            if (!m_waveScoreMgr.AddEventData(track))
                return 0;
            LinkTrackData(track);
            break;
        default:
            break;
        }
    }
    if (staffAdded)
        m_meterLevelMgr.UpdateTrackCount();
    return 1;
}

void CSequence::LinkTrackData(ECBase* track)
{
    if (auto* data = plat::dynamicDowncast<DCsqTrack>(track->GetData(0, 0)))
        data->SetSequence(this);
}

int CSequence::ProcessEdit(CCEdit* command)
{
    if (!command)
        return 0;
    Locked locked(*this);
    if (!m_conductor)
        return 1;
    MCEventList edited;
    command->GetEditEvents(edited);
    for (ECBase* wave : edited) {
        if (wave->GetEventId() != EventId::Wave)
            continue;
        const MCVoiceTrack* voiceTrack = wave->GetVoiceTrack();
        const int number = voiceTrack ? voiceTrack->GetTrack() : MCVoiceTrack::noTrack;
        ECBase* current = wave->GetAncestor(EventId::WaveTrack, -1);
        ECBase* named = m_conductor->GetTrack(2, number, 0);
        if (!named || named == current)
            continue;
        // Added before it leaves the old track, so the clip is never without an owner.
        named->AddChild(wave, 1);
        if (current)
            current->RemoveChild(wave, 0);
    }
    return 1;
}

int CSequence::ProcessEditData(CCEditData* /*command*/)
{
    return 1;
}

int CSequence::ProcessEditTime(CCEditTime* command)
{
    if (!command)
        return 0;
    Locked locked(*this);
    MCEventList moved;
    command->GetEditEvents(moved);
    moved.Sort();
    std::vector<DCsqBase*> listed;
    for (ECBase* element : moved) {
        DCsqBase* data = ListData(element);
        if (!data || !StandsInList(data))
            continue;
        RemoveData(data);
        listed.push_back(data);
    }
    for (DCsqBase* data : listed)
        InsertData(data);
    return 1;
}

int CSequence::ProcessEditDuration(CCEditDuration* command)
{
    if (!command)
        return 0;
    Locked locked(*this);
    for (const auto& item : command->GetEditList()) {
        const auto* duration = dynamic_cast<const CCEditDurItem*>(item.get());
        const MCEventList* anchors = duration ? duration->GetAnchorList() : nullptr;
        if (!anchors)
            continue;
        for (ECBase* element : *anchors)
            CheckEventOrder(element);
    }
    return 1;
}

int CSequence::ProcessEditGraph(CCEditGraph* command)
{
    if (!command)
        return 0;
    Locked locked(*this);
    for (const auto& item : command->GetGraphItems(1))
        RemoveData(ListData(item ? item->GetEvent() : nullptr));
    for (const auto& item : command->GetGraphItems(0)) {
        DCsqBase* data = ListData(item ? item->GetEvent() : nullptr);
        if (data && StandsInList(data))
            InsertData(data);
    }
    return 1;
}
