#include "notabase/commands/CCCopyTracks.h"

#include "notabase/actions/ACFindEvents.h"
#include "notabase/actions/ACSetVoiceTrack.h"
#include "notabase/commands/CCAdd.h"
#include "notabase/commands/CCAddClef.h"
#include "notabase/commands/CCAddKey.h"
#include "notabase/commands/CCCopy.h"
#include "notabase/commands/CCRemove.h"
#include "notabase/commands/CCRemoveClef.h"
#include "notabase/commands/CCRemoveKey.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/model/EventTypes.h"
#include "notabase/score/ECClef.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECKey.h"
#include "notabase/score/ECMeasure.h"
#include "notabase/score/ECStaff.h"
#include "notabase/score/ECWaveTrack.h"
#include "notabase/values/FCMidi.h"
#include "notabase/values/MCTime.h"

PLAT_IMPLEMENT_DYNCREATE(CCCopyTracks, CCAddTrack)

namespace {

// What a staff holds of its own that goes with its copy: its envelopes and texts.
constexpr int staffElementTypes[] = {
    EventId::ChanPressureEnv, EventId::ControllerEnv, EventId::Envelope,     EventId::NRPNEnv,
    EventId::PatchEnv,        EventId::PitchBendEnv,  EventId::PolyPressureEnv, EventId::RPNEnv,
    EventId::TempoEnv,        EventId::Text,
};
// What its measures hold that goes with it.
constexpr int measureElementTypes[] = {
    EventId::Note, EventId::ChordSymbol, EventId::Lyric, EventId::Clef, EventId::Key,
};

// Every command of the list runs at once and leaves no undo step of its own.
void applyUnrecorded(MCCommandList& commands, ECPerformanceBase* target)
{
    if (commands.IsEmpty())
        return;
    for (CCBase* command : commands) {
        command->SetSynchronous(1);
        command->SetCanUndo(0);
    }
    commands.Apply(target);
}

CCAdd* sharedAdd(MCCommandList& commands)
{
    return static_cast<CCAdd*>(commands.GetCommand(CommandIds::CCAdd, &CCAdd::classObject));
}

CCRemove* sharedRemove(MCCommandList& commands)
{
    return static_cast<CCRemove*>(commands.GetCommand(CommandIds::CCRemove, &CCRemove::classObject));
}

}  // namespace

CCCopyTracks::CCCopyTracks() = default;

CCCopyTracks::~CCCopyTracks()
{
    // Copies out of every piece hold one another through their links; the last hold to go
    // takes them apart (MCCommandHold), which may be ours.
    for (const auto& copy : m_copies) {
        for (const auto& hold : copy->holds) {
            if (MCCommandHold::IsOutsidePieces(hold->Get()))
                hold->Get()->SetTakeApartPending(true);
        }
    }
}

int CCCopyTracks::GetCommandId()
{
    return CommandIds::CCCopyTracks;
}

void CCCopyTracks::CopyTrack(ECTrack* track)
{
    if (!track)
        return;
    m_sources.AddEvent(track, 0);
    // By element id: the conductor staff is a staff class too, but no staff of the table.
    plat::RefPtr<ECTrack> twin;
    if (track->GetEventId() == EventId::Staff)
        twin = plat::RefPtr<ECTrack>(new ECStaff(static_cast<const ECStaff&>(*track)));
    else if (track->GetEventId() == EventId::WaveTrack)
        twin = plat::RefPtr<ECTrack>(new ECWaveTrack(static_cast<const ECWaveTrack&>(*track)));
    if (!twin)
        return;
    Add(twin.get(), nullptr, FCMidi::MidiNull());
    auto copy = std::make_unique<TrackCopy>();
    copy->source = plat::RefPtr<ECTrack>(track);
    copy->twin = twin;
    m_copies.push_back(std::move(copy));
}

CCCopyTracks::TrackCopy* CCCopyTracks::findCopy(ECTrack* source)
{
    for (const auto& copy : m_copies) {
        if (copy->source.get() == source)
            return copy.get();
    }
    return nullptr;
}

MCEventList* CCCopyTracks::GetStaffCopies(ECTrack* source)
{
    TrackCopy* copy = findCopy(source);
    return copy ? &copy->staffElements : nullptr;
}

MCEventList* CCCopyTracks::GetMeasureCopies(ECTrack* source)
{
    TrackCopy* copy = findCopy(source);
    return copy ? &copy->measureElements : nullptr;
}

void CCCopyTracks::CopyStaffChildren(TrackCopy& copy)
{
    ACFindEvents find;
    find.SetDepth(1);
    find.BypassNone();
    for (const int id : staffElementTypes)
        find.AddEvtType(id);
    find.Apply(copy.source.get());
    if (!find.GetEvents().IsEmpty())
        CCCopy::DoCopyEvents(copy.staffElements, find.GetEvents(), m_document);
}

void CCCopyTracks::CopyMeasureChildren(TrackCopy& copy)
{
    ACFindEvents measures;
    measures.AddEvtType(EventId::Measure);
    measures.SetDepth(1);
    measures.Apply(copy.source.get());
    if (measures.GetEvents().IsEmpty())
        return;
    ACFindEvents find;
    find.SetDepth(3);
    for (const int id : measureElementTypes)
        find.AddEvtType(id);
    find.Apply(&measures.GetEvents(), 1);
    // A note without its data of type 0 is left behind.
    MCEventList kept;
    for (ECBase* element : find.GetEvents()) {
        if (element->GetEventId() != EventId::Note || element->GetData(0, 0))
            kept.AddEvent(element, 0);
    }
    if (!kept.IsEmpty())
        CCCopy::DoCopyEvents(copy.measureElements, kept, m_document);
}

void CCCopyTracks::gather(TrackCopy& copy)
{
    if (copy.gathered)
        return;
    copy.gathered = true;
    CopyStaffChildren(copy);
    CopyMeasureChildren(copy);
    for (MCEventList* list : {&copy.staffElements, &copy.measureElements}) {
        for (ECBase* element : *list)
            copy.holds.push_back(std::make_unique<MCCommandHold>(element));
    }
}

void CCCopyTracks::DoCopyStaff(TrackCopy& copy)
{
    gather(copy);
    ECTrack* twin = copy.twin.get();
    const int track = twin->GetTrack();
    ACSetVoiceTrack onStaff(track, 15);
    onStaff.Apply(&copy.staffElements, 1);
    ACSetVoiceTrack inMeasures(track, 15);
    inMeasures.Apply(&copy.measureElements, 1);

    MCCommandList commands;
    for (ECBase* element : copy.staffElements) {
        element->RemoveFromParents();
        sharedAdd(commands)->Add(element, twin, FCMidi::MidiNull());
    }
    ECConductor* conductor = GetConductor();
    for (ECBase* element : copy.measureElements) {
        element->RemoveFromParents();
        const MCTime* time = element->GetTime();
        ECMeasure* measure = time && conductor ? conductor->GetMeasure(track, *time, 1, 0) : nullptr;
        if (!measure)
            continue;
        if (auto* clef = plat::dynamicDowncast<ECClef>(element))
            commands.AddTail(new CCAddClef(clef, measure));
        else if (auto* key = plat::dynamicDowncast<ECKey>(element))
            commands.AddTail(new CCAddKey(key, measure));
        else
            sharedAdd(commands)->Add(element, measure, FCMidi::MidiNull());
    }
    applyUnrecorded(commands, GetTarget());
}

int CCCopyTracks::Finish()
{
    if (!CCBase::Finish())
        return 0;
    // Each twin is paired with its own source, so a listed track without a twin shifts nothing.
    for (const auto& copy : m_copies) {
        if (copy->twin->GetEventId() == EventId::Staff)
            DoCopyStaff(*copy);
    }
    return 1;
}

void CCCopyTracks::Undo()
{
    MCCommandList commands;
    for (const auto& copy : m_copies) {
        for (ECBase* element : copy->staffElements)
            sharedRemove(commands)->Remove(element);
    }
    for (const auto& copy : m_copies) {
        for (ECBase* element : copy->measureElements) {
            if (auto* clef = plat::dynamicDowncast<ECClef>(element))
                commands.AddTail(new CCRemoveClef(clef));
            else if (auto* key = plat::dynamicDowncast<ECKey>(element))
                commands.AddTail(new CCRemoveKey(key));
            else
                sharedRemove(commands)->Remove(element);
        }
    }
    applyUnrecorded(commands, GetTarget());
    CCAddTrack::Undo();
}
