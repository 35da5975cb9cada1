#include "app/program/CDocUpgrade.h"

#include "interface/document/MCOpusDoc.h"
#include "notabase/actions/ACFindEvents.h"
#include "notabase/actions/ACSetVoiceTrack.h"
#include "notabase/commands/CCAdd.h"
#include "notabase/commands/CCAddDynamic.h"
#include "notabase/commands/CCAddEnvPoint.h"
#include "notabase/commands/CCAddKey.h"
#include "notabase/commands/CCAddTempo.h"
#include "notabase/commands/CCAddTranspose.h"
#include "notabase/commands/CCEdit.h"
#include "notabase/commands/CCRemove.h"
#include "notabase/commands/CCRemoveEnvPoint.h"
#include "notabase/model/ECControlChange.h"
#include "notabase/model/ECDynamic.h"
#include "notabase/model/ECEnvPoint.h"
#include "notabase/model/ECEnvelope.h"
#include "notabase/model/ECFlowControl.h"
#include "notabase/model/ECGroup.h"
#include "notabase/model/ECMeterEnv.h"
#include "notabase/model/ECPatchEnv.h"
#include "notabase/model/ECPedal.h"
#include "notabase/model/ECPolyPressure.h"
#include "notabase/model/ECProgramChange.h"
#include "notabase/model/ECTempo.h"
#include "notabase/model/ECTempoEnv.h"
#include "notabase/model/ECText.h"
#include "notabase/model/EventTypes.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/score/ECClef.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorStaff.h"
#include "notabase/score/ECKey.h"
#include "notabase/score/ECMeasure.h"
#include "notabase/score/ECStaff.h"
#include "notabase/score/ECTrack.h"
#include "notabase/score/ECTuplet.h"
#include "notabase/values/FCMidi.h"
#include "platform/core/RefPtr.h"
#include "sequencer/actions/ACRemoveData.h"
#include "sequencer/data/DCsqDynamic.h"
#include "sequencer/data/DCsqMidi.h"
#include "sequencer/data/DCsqStaff.h"
#include "sequencer/data/DCsqTempo.h"
#include "sequencer/envelopes/CMidiEnvelopeMgr.h"
#include "sequencer/transport/CSequence.h"

#include <algorithm>
#include <cmath>

namespace {

// Ending marks of the play order that later versions keep only as texts.
constexpr unsigned char kObsoleteFlowType = 15;
// The staff type of a grand staff, whose second hand has clefs and keys of its own.
constexpr unsigned char kTwoHandStaff = 1;
// The gradual dynamic without a name that rises, as cresc. does.
constexpr unsigned char kRisingHairpin = 14;
constexpr int kVolumeController = 7;
constexpr int kSustainController = 64;
constexpr int kVoices = 8;
// Plain texts are not kept on the conductor staff.
constexpr unsigned char kPlainText = 0;

// The old events that become envelope points, bank and program changes, and the rest that
// changed form.
const std::vector<int> kOldTrackEvents = {
    EventId::BankLSB,  EventId::BankMSB,   EventId::ChannelPressure, EventId::ControlChange, EventId::Dynamic,
    EventId::Meter,    EventId::Pedal,     EventId::PitchBend,       EventId::PolyPressure,  EventId::ProgramChange,
    EventId::Tempo,    EventId::Text,      EventId::Tie,             EventId::Transpose,
};

// The elements found, each held until the caller is done with them: treating one may take
// others out of the piece.
std::vector<plat::RefPtr<ECBase>> Children(ECBase* track, const std::vector<int>& types, int depth)
{
    ACFindEvents find;
    find.AddEvtTypes(types);
    find.BypassNone();
    if (depth > 0)
        find.SetDepth(static_cast<unsigned char>(depth));
    find.Apply(track);
    std::vector<plat::RefPtr<ECBase>> found;
    MCPosition position = find.GetEvents().GetHeadPosition();
    while (position)
        found.emplace_back(find.GetEvents().GetNext(position));
    return found;
}

// The message an old event plays; the null message when it has none.
FCMidi MessageOf(ECBase* event)
{
    if (auto* data = plat::dynamicDowncast<DCsqMidi>(event->GetData(0, 0)))
        return data->GetMidiData();
    return FCMidi::MidiNull();
}

// The voice of an old event: only voices 0 to 7 have envelopes, the rest play on the first.
int PointVoice(ECBase* event)
{
    const int voice = event->GetVoice();
    return voice >= 0 && voice < kVoices ? voice : 0;
}

bool IsChildOf(ECBase* element, ECBase* parent)
{
    MCEventList* parents = element->GetParents();
    return parents && parents->Find(parent);
}

// The point a gradual mark's group ends on: the first of its anchors other than the mark.
ECEnvPoint* GroupEnd(ECEnvPoint* mark)
{
    MCEventList anchors;
    mark->GetAnchorList(anchors);
    for (ECBase* anchor : anchors) {
        if (anchor != mark)
            return plat::dynamicDowncast<ECEnvPoint>(anchor);
    }
    return nullptr;
}

bool IsPowerOfTwo(int n)
{
    return n > 0 && (n & (n - 1)) == 0;
}

// A scope end at which a walk over the clefs or keys of a staff stops.
bool WalkEnds(const MCTime& from, const MCTime& to, const MCTime& lastEnd)
{
    return to == MCTime::TimeMax() || to == MCTime::TimeNull() || to >= lastEnd || !(from < to);
}

}  // namespace

CDocUpgrade::CDocUpgrade(MCOpusDoc* document) : m_document(document) {}

void CDocUpgrade::Run()
{
    ECPerformance* performance = m_document ? m_document->GetBaseEvent() : nullptr;
    if (!performance || !performance->GetConductor())
        return;
    const int version = performance->GetVersion();
    if (version == 0 || version > 3)
        return;
    SetTrackNumbers();
    if (version < 3) {
        ForEachTrack([this](int, int, ECTrack* track) {
            ConvertTrackEvents(track);
            if (auto* staff = plat::dynamicDowncast<ECStaff>(track))
                CopyKeysToLowerHand(staff);
        });
    }
    ForEachTrack([this](int kind, int, ECTrack* track) {
        for (const auto& element : Children(track, {EventId::FlowControl, EventId::Text}, 1)) {
            if (element->GetEventId() == EventId::FlowControl)
                UpgradeFlowControl(track, static_cast<ECFlowControl*>(element.get()));
            else
                UpgradeText(static_cast<ECText*>(element.get()));
        }
        if (kind == 1) {
            ConvertPatchPoints(track);
            CleanUpEnvelopes(track);
            MoveChannelModes(track);
        }
        if (auto* staff = plat::dynamicDowncast<ECStaff>(track)) {
            SetLowerHandClefTracks(staff);
            EditPowerOfTwoTuplets(staff);
        }
    });
    m_document->GetSequence()->CheckDataIntegrity();
}

void CDocUpgrade::ForEachTrack(const std::function<void(int kind, int number, ECTrack* track)>& visit)
{
    ECConductor* conductor = m_document->GetBaseEvent()->GetConductor();
    for (int kind = 0; kind <= 2; ++kind) {
        const int last = conductor->GetMaxTrackNumber(kind);
        for (int number = 1; number <= last; ++number) {
            if (ECTrack* track = conductor->GetTrack(kind, number, 0))
                visit(kind, number, track);
        }
    }
}

void CDocUpgrade::SetTrackNumbers()
{
    ForEachTrack([](int, int number, ECTrack* track) {
        ACSetVoiceTrack action;
        action.BypassNone();
        action.SetTrack(number);
        action.Apply(track);
    });
}

void CDocUpgrade::Apply(CCBase* command)
{
    command->SetSynchronous(1);
    command->Apply(m_document->GetBaseEvent());
}

void CDocUpgrade::Remove(ECBase* element)
{
    auto* remove = new CCRemove;
    remove->Remove(element);
    Apply(remove);
}

void CDocUpgrade::UnlinkData(ECBase* element)
{
    ACRemoveData unlink(m_document->GetSequence());
    unlink.Apply(element);
    element->RemoveData(0);
}

// Second pass ---------------------------------------------------------------------------------

void CDocUpgrade::ConvertTrackEvents(ECTrack* track)
{
    for (const auto& held : Children(track, kOldTrackEvents, 1)) {
        ECBase* event = held.get();
        switch (event->GetEventId()) {
        case EventId::ChannelPressure:
        case EventId::ControlChange:
        case EventId::Dynamic:
        case EventId::Pedal:
        case EventId::PitchBend:
        case EventId::PolyPressure:
            ConvertToPoint(track, static_cast<ECEnvPoint*>(event));
            break;
        case EventId::Transpose:
            ConvertTranspose(track, static_cast<ECEnvPoint*>(event));
            break;
        case EventId::BankLSB:
            if (event->GetData(0, 0))
                m_bankLSB = MessageOf(event).GetDataByte2();
            Remove(event);
            break;
        case EventId::BankMSB:
            if (event->GetData(0, 0))
                m_bankMSB = MessageOf(event).GetDataByte2();
            Remove(event);
            break;
        case EventId::ProgramChange:
            ConvertProgramChange(track, static_cast<ECEnvPoint*>(event));
            break;
        case EventId::Tempo:
            ConvertTempo(track, static_cast<ECTempo*>(event));
            break;
        case EventId::Meter:
            ConvertMeter(track, event);
            break;
        case EventId::Text:
            ConvertTrackText(track, static_cast<ECText*>(event));
            break;
        case EventId::Tie:
            RemoveBrokenTie(event);
            break;
        default:
            break;
        }
    }
}

ECEnvelope* CDocUpgrade::TrackEnvelope(ECTrack* track, int kind, int voice, int number)
{
    // A track without sequencer data gets it, or its events would have nowhere to go.
    DCBase* existing = track->GetData(0, 0);
    auto* data = plat::dynamicDowncast<DCsqTrack>(existing ? existing : track->GetData(0, 1));
    if (!data)
        return nullptr;
    if (!existing)
        data->SetSequence(m_document->GetSequence());
    return data->GetEnvelope(kind, DCsqStaff::envCreate, voice, number, -1);
}

bool CDocUpgrade::MoveIntoEnvelope(ECTrack* track, ECEnvPoint* event, ECEnvelope* envelope, CCAdd* add,
                                   const FCMidi& message, const std::function<void()>& then)
{
    const plat::RefPtr<CCAdd> command(add);
    const plat::RefPtr<ECBase> hold(event);
    track->RemoveChild(event, 0);
    add->Add(event, envelope, message);
    Apply(add);
    if (!IsChildOf(event, envelope)) {
        // The envelope holds a point at that time already: the event keeps playing as it did.
        track->AddChild(event, 1);
        return false;
    }
    if (then)
        then();
    UnlinkData(event);
    return true;
}

void CDocUpgrade::ConvertToPoint(ECTrack* track, ECEnvPoint* event)
{
    const FCMidi message = MessageOf(event);
    const int id = event->GetEventId();
    int kind = DCsqStaff::envController;
    int number = -1;
    float value = message.GetDataByte2();
    switch (id) {
    case EventId::ChannelPressure:
        kind = DCsqStaff::envChanPressure;
        value = message.GetDataByte1();
        break;
    case EventId::ControlChange:
        number = message.GetDataByte1();
        break;
    case EventId::Dynamic:
        number = kVolumeController;
        break;
    case EventId::Pedal:
        number = kSustainController;
        break;
    case EventId::PitchBend:
        kind = DCsqStaff::envPitchBend;
        value = static_cast<float>(message.GetDataByte2() * 128 + message.GetDataByte1());
        break;
    case EventId::PolyPressure:
        kind = DCsqStaff::envPolyPressure;
        number = message.GetDataByte1();
        static_cast<ECPolyPressure*>(event)->SetKey(message.GetDataByte1());
        break;
    default:
        return;
    }
    if (kind == DCsqStaff::envController)
        static_cast<ECControlChange*>(event)->SetControllerNum(static_cast<unsigned char>(number));
    event->SetValue(value);
    ECEnvelope* envelope = TrackEnvelope(track, kind, PointVoice(event), number);
    if (!envelope)
        return;  // a track without such envelopes keeps the event as it was
    if (id == EventId::Dynamic) {
        auto* dynamic = static_cast<ECDynamic*>(event);
        if (MoveIntoEnvelope(track, event, envelope, new CCAddDynamic, FCMidi::MidiNull(),
                             [this, dynamic] { SetHairpinEnd(dynamic); }) &&
            !event->IsAnchorHead())
            event->RemoveData(2);
    } else if (id == EventId::Pedal) {
        auto* pedal = static_cast<ECPedal*>(event);
        MoveIntoEnvelope(track, event, envelope, new CCAddEnvPoint, FCMidi::MidiNull(),
                         [this, envelope, pedal] { EndHeldPedal(envelope, pedal); });
    } else {
        MoveIntoEnvelope(track, event, envelope, new CCAddEnvPoint, message);
    }
}

void CDocUpgrade::ConvertTranspose(ECTrack* track, ECEnvPoint* transpose)
{
    if (ECEnvelope* envelope = TrackEnvelope(track, DCsqStaff::envTransposition, -1, -1))
        MoveIntoEnvelope(track, transpose, envelope, new CCAddTranspose, FCMidi::MidiNull());
}

void CDocUpgrade::ConvertProgramChange(ECTrack* track, ECEnvPoint* program)
{
    if (program->GetData(0, 0))
        m_program = MessageOf(program).GetDataByte1();
    ECEnvelope* patch = TrackEnvelope(track, DCsqStaff::envPatch, PointVoice(program), -1);
    if (!patch)
        return;  // kept as it was
    const plat::RefPtr<ECBase> hold(program);
    track->RemoveChild(program, 0);
    program->SetValue(ECPatchEnv::MakePatchValue(m_bankMSB, m_bankLSB, m_program));
    if (auto* change = plat::dynamicDowncast<ECProgramChange>(program)) {
        change->SetBankMSB(m_bankMSB & 127);
        change->SetBankLSB(m_bankLSB & 127);
    }
    if (!patch->AddChild(program, 1)) {
        track->AddChild(program, 1);
        return;
    }
    UnlinkData(program);
}

void CDocUpgrade::ConvertTempo(ECTrack* track, ECTempo* tempo)
{
    auto* conductorStaff = plat::dynamicDowncast<ECConductorStaff>(track);
    ECEnvelope* map = conductorStaff ? conductorStaff->GetTempoEnv() : nullptr;
    if (map)
        MoveIntoEnvelope(track, tempo, map, new CCAddTempo, FCMidi::MidiNull(), [this, tempo] { SetTempoChangeEnd(tempo); });
}

void CDocUpgrade::ConvertMeter(ECTrack* track, ECBase* meter)
{
    auto* conductorStaff = plat::dynamicDowncast<ECConductorStaff>(track);
    ECMeterEnv* map = conductorStaff ? conductorStaff->GetMeterEnv() : nullptr;
    if (!map)
        return;
    const plat::RefPtr<ECBase> hold(meter);
    track->RemoveChild(meter, 0);
    if (!map->AddChild(meter, 1))
        track->AddChild(meter, 1);
}

void CDocUpgrade::ConvertTrackText(ECTrack* track, ECText* text)
{
    text->SetTrack(track->GetTrack());
    if (track->GetEventId() == EventId::ConductorStaff && text->GetTextType() == kPlainText)
        Remove(text);
}

void CDocUpgrade::RemoveBrokenTie(ECBase* tie)
{
    MCEventList* children = tie->GetChildren();
    if (!children || children->GetCount() >= 2)
        return;
    if (auto* group = plat::dynamicDowncast<ECGroup>(tie))
        group->AddGroupType(ECGroup::typeRemoveChildrenWithParents);
    auto* remove = new CCRemove;
    remove->Remove(tie);
    remove->SetCanUndo(0);
    Apply(remove);
}

void CDocUpgrade::SetHairpinEnd(ECDynamic* dynamic)
{
    const unsigned char type = dynamic->GetDynamicType();
    ECEnvPoint* end = ECDynamic::HasDuration(type) ? GroupEnd(dynamic) : nullptr;
    if (!end)
        return;
    const float value = dynamic->GetValue();
    auto* data = plat::dynamicDowncast<DCsqDynamic>(dynamic->GetData(0, 0));
    const float amount = data ? data->GetPercentChange() / 100.0f * value : 0.0f;
    if (type == ECDynamic::typeCrescendo || type == kRisingHairpin)
        end->SetValue(std::max(value + amount, value));
    else
        end->SetValue(std::min(value - amount, value));
}

void CDocUpgrade::SetTempoChangeEnd(ECTempo* tempo)
{
    const unsigned char type = tempo->GetTempoType();
    if (!ECTempo::HasDuration(type) || type > ECTempo::typeRitardando)
        return;
    ECEnvPoint* end = GroupEnd(tempo);
    if (!end)
        return;
    const float base = tempo->GetTempo(1.0f);
    auto* data = plat::dynamicDowncast<DCsqTempo>(tempo->GetData(0, 0));
    const float change = data ? data->GetPercentChange() / 100.0f * base : 0.0f;
    if (type == ECTempo::typeAccelerando)
        end->SetValue(std::max(base + change, base));
    else
        end->SetValue(std::min(base + change, base));
    // The clock times after the mark follow its new end.
    if (ECTempoEnv* map = m_document->GetBaseEvent()->GetConductor()->GetConductorStaff()->GetTempoEnv())
        map->RecalculateClockTimes();
}

void CDocUpgrade::EndHeldPedal(ECEnvelope* envelope, ECPedal* pedal)
{
    if (pedal->GetValue() != 0.0f)
        return;
    ECEnvPoint* held = envelope->GetPointBefore(*pedal->GetTime());
    if (!held)
        return;
    if (held->GetValue() > 0.0f) {
        const MCTime duration = *pedal->GetTime() - *held->GetTime();
        held->SetDuration(&duration);
    } else {
        held->SetDuration(&MCTime::TimeZero());
    }
}

void CDocUpgrade::CopyKeysToLowerHand(ECStaff* staff)
{
    if (staff->GetStaffType() != kTwoHandStaff)
        return;
    ECConductor* conductor = m_document->GetBaseEvent()->GetConductor();
    const MCTime lastEnd = conductor->GetMaxMeasureEndTime();
    MCTime time = MCTime::TimeZero();
    while (ECKey* key = staff->GetKeyAtTime(time, 0)) {
        const MCTime keyTime = *key->GetTime();
        ECKey* lower = staff->GetKeyAtTime(time, 1);
        if (!lower || *lower->GetTime() != keyTime) {
            if (ECMeasure* measure = conductor->GetMeasure(key->GetTrack(), keyTime, 0, 1)) {
                auto* copy = new ECKey(*key);
                copy->SetHand(1);
                copy->SetVoiceTrack(key->GetVoiceTrack());
                copy->SetTime(&keyTime);
                auto* add = new CCAddKey;
                add->Add(copy, measure, FCMidi::MidiNull());
                Apply(add);
            }
        }
        MCTime from;
        MCTime to;
        staff->GetKeyScope(key, from, to, 0);
        if (WalkEnds(time, to, lastEnd))
            break;
        time = to;
    }
}

// Third pass ----------------------------------------------------------------------------------

void CDocUpgrade::UpgradeFlowControl(ECTrack* track, ECFlowControl* mark)
{
    // The play order lives on the conductor staff alone.
    if (track->GetEventId() != EventId::ConductorStaff || mark->GetFlowControlType() == kObsoleteFlowType)
        Remove(mark);
}

void CDocUpgrade::UpgradeText(ECText* text)
{
    switch (text->GetTextType()) {
    case 5:
    case 6:
    case 14:
    case 15:
        // Texts of the whole score, on no track.
        text->SetTrack(0);
        break;
    default:
        break;
    }
}

void CDocUpgrade::ConvertPatchPoints(ECTrack* staff)
{
    auto* data = plat::dynamicDowncast<DCsqStaff>(staff->GetData(0, 0));
    if (!data)
        return;
    for (int voice = 0; voice < kVoices; ++voice) {
        CMidiEnvelopeMgr* manager = data->GetMidiEnvelopeMgr(voice, 0);
        ECPatchEnv* patch = manager ? manager->GetPatchEnv(0) : nullptr;
        if (!patch)
            continue;
        for (int index = 0; index < patch->GetPointCount(); ++index) {
            ECEnvPoint* point = patch->GetPointAtIndex(index);
            if (auto* change = plat::dynamicDowncast<ECProgramChange>(point)) {
                change->SetStyle(ECEnvPoint::styleStep);
                continue;
            }
            if (!point || point->GetEventId() != EventId::EnvPoint)
                continue;
            // The value packs the whole patch; its bank bytes are read as the patch value lays
            // them out.
            const float value = std::trunc(point->GetValue());
            auto* change = new ECProgramChange;
            const plat::RefPtr<ECBase> hold(change);
            change->SetValue(value);
            change->SetBankLSB(static_cast<unsigned char>(ECPatchEnv::GetBankLSB(value)));
            change->SetBankMSB(static_cast<unsigned char>(ECPatchEnv::GetBankMSB(value)));
            change->SetStyle(ECEnvPoint::styleStep);
            change->SetTime(point->GetTime());
            change->SetVoiceTrack(point->GetVoiceTrack());
            Remove(point);
            auto* add = new CCAddEnvPoint;
            add->Add(change, patch, FCMidi::MidiNull());
            Apply(add);
        }
    }
}

void CDocUpgrade::CleanUpEnvelopes(ECTrack* staff)
{
    auto* data = plat::dynamicDowncast<DCsqStaff>(staff->GetData(0, 0));
    if (!data)
        return;
    for (int voice = 0; voice < kVoices; ++voice) {
        CMidiEnvelopeMgr* manager = data->GetMidiEnvelopeMgr(voice, 0);
        if (!manager)
            continue;
        for (ECEnvelope* envelope : manager->GetEnvelopeList()) {
            if (!IsChildOf(envelope, staff)) {
                // Held by the list alone, it and its points would hold one another for ever.
                if (envelope->GetParents()->IsEmpty() && envelope->GetCommandHolds() == 0)
                    envelope->RemoveChildren(1);
                manager->RemoveEnvelope(envelope);
                continue;
            }
            if (envelope->GetPointCount() == 0) {
                Remove(envelope);
                continue;
            }
            // An envelope holds one point a time: of points stored at one time, the first stays.
            auto* remove = new CCRemoveEnvPoint;
            const plat::RefPtr<CCRemoveEnvPoint> command(remove);
            ECBase* kept = nullptr;
            for (ECBase* point : *envelope->GetChildren()) {
                if (kept && *point->GetTime() == *kept->GetTime())
                    remove->Remove(point);
                else
                    kept = point;
            }
            if (!remove->GetItems().empty())
                Apply(remove);
        }
    }
}

void CDocUpgrade::MoveChannelModes(ECTrack* staff)
{
    ECBase* conductorStaff = m_document->GetBaseEvent()->GetDescendant(EventId::ConductorStaff, -1);
    if (!conductorStaff)
        return;
    for (const auto& held : Children(staff, {EventId::ChannelMode}, 0)) {
        ECBase* mode = held.get();
        Remove(mode);
        auto* add = new CCAdd;
        add->Add(mode, conductorStaff, FCMidi::MidiNull());
        Apply(add);
    }
}

void CDocUpgrade::SetLowerHandClefTracks(ECStaff* staff)
{
    if (staff->GetStaffType() != kTwoHandStaff)
        return;
    const MCTime lastEnd = m_document->GetBaseEvent()->GetConductor()->GetMaxMeasureEndTime();
    MCTime time = MCTime::TimeZero();
    while (ECClef* clef = staff->GetClefAtTime(time, 1)) {
        clef->SetVoiceTrack(staff->GetVoiceTrack());
        MCTime from;
        MCTime to;
        staff->GetClefScope(clef, from, to, 1);
        if (WalkEnds(time, to, lastEnd))
            break;
        time = to;
    }
}

void CDocUpgrade::EditPowerOfTwoTuplets(ECStaff* staff)
{
    for (const auto& element : Children(staff, {EventId::Tuplet}, 2)) {
        auto* tuplet = static_cast<ECTuplet*>(element.get());
        const int normal = tuplet->GetNormal();
        const int actual = tuplet->GetIrregular();
        if (normal == 0 || normal >= actual || actual % normal != 0 || !IsPowerOfTwo(actual / normal))
            continue;
        auto* edit = new CCEdit;
        edit->EditEvent(tuplet);
        Apply(edit);
    }
}
