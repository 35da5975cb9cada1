#include "sequencer/transport/CSequence.h"

#include "notabase/actions/ACFindEvents.h"
#include "notabase/commands/CCAdd.h"
#include "notabase/commands/CCEditTime.h"
#include "notabase/commands/CCRemove.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/model/ECFlowControl.h"
#include "notabase/model/ECRest.h"
#include "notabase/model/ECText.h"
#include "notabase/model/EventTypes.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorStaff.h"
#include "notabase/score/ECTuplet.h"
#include "notabase/states/SCMode.h"
#include "notabase/states/SCTime.h"
#include "platform/core/RefPtr.h"
#include "sequencer/data/DCsqFlowControl.h"
#include "sequencer/states/SCPerform.h"
#include "sequencer/transport/CSequenceLocked.h"
#include "sequencer/transport/MCFlowControl.h"
#include "sequencer/transport/SequenceSupport.h"

#include <algorithm>
#include <vector>

using namespace sequence_support;

// ---- regions

void CSequence::AnnounceRegion(int startCode, int endCode, bool on, const MCTime& start, const MCTime& end)
{
    ApplyState(new SCTime(startCode, on ? start : MCTime::TimeNull()));
    ApplyState(new SCTime(endCode, on ? end : MCTime::TimeNull()));
}

void CSequence::GetPlayRegion(MCTime& start, MCTime& end)
{
    Locked locked(*this);
    start = m_playRegionStart;
    end = m_playRegionEnd;
}

void CSequence::SetPlayRegion(const MCTime& start, const MCTime& end)
{
    Locked locked(*this);
    m_playRegionStart = start;
    m_playRegionEnd = end;
    if (end > start && (PlayRegionEnabled() || LoopRegionEnabled()))
        AnnounceRegion(1905, 1906, true, start, end);
}

void CSequence::GetRecordRegion(MCTime& start, MCTime& end)
{
    Locked locked(*this);
    start = m_recordRegionStart;
    end = m_recordRegionEnd;
}

void CSequence::SetRecordRegion(const MCTime& start, const MCTime& end)
{
    Locked locked(*this);
    m_recordRegionStart = start;
    m_recordRegionEnd = end;
    if (end > start && RecordRegionEnabled())
        AnnounceRegion(1907, 1908, true, start, end);
}

void CSequence::SetNumLeadInMeasures(int measures)
{
    Locked locked(*this);
    m_leadInMeasures = std::max(measures, 1);
    GetLeadInTime();
}

// ---- the loop

DCsqFlowControl* CSequence::PlaceLoopMark(DCsqFlowControl* data, int type, const MCTime& bound)
{
    ECConductorStaff* staff = m_conductor ? m_conductor->GetConductorStaff() : nullptr;
    if (!staff)
        return nullptr;
    if (data) {
        ECBase* mark = data->GetOwner();
        const MCTime* at = mark ? mark->GetTime() : nullptr;
        if (mark && at && *at != bound) {
            auto* move = new CCEditTime(mark, &bound);
            move->SetSynchronous(1);
            move->Apply(m_performance);
        }
        return data;
    }
    auto* mark = new ECFlowControl;
    mark->SetFlowControlType(static_cast<unsigned char>(type));
    mark->SetTime(&bound);
    plat::RefPtr<ECFlowControl> keep(mark);
    auto* add = new CCAdd(mark, staff, FCMidi::MidiNull());
    add->SetSynchronous(1);
    add->Apply(m_performance);
    return plat::dynamicDowncast<DCsqFlowControl>(mark->GetData(0, 0));
}

DCsqFlowControl* CSequence::LiveLoopData(DCsqFlowControl* data)
{
    // The mark may have gone with an undo or an edit: the data counts only while a flow mark
    // of the conductor staff still holds it. The pointer is compared, never followed.
    ECConductorStaff* staff = (data && m_conductor) ? m_conductor->GetConductorStaff() : nullptr;
    if (!staff)
        return nullptr;
    ACFindEvents find;
    find.AddEvtType(EventId::FlowControl);
    find.SetDepth(1);
    find.Apply(staff);
    for (ECBase* mark : find.GetEvents()) {
        if (mark->GetData(0, 0) == data)
            return data;
    }
    return nullptr;
}

void CSequence::SetLoopPoints(int remove)
{
    // Commands run here; the locks are held only to read and write the fields, so that no
    // command waits for a slice that waits for this thread.
    DCsqFlowControl* start = nullptr;
    DCsqFlowControl* end = nullptr;
    MCTime from;
    MCTime to;
    bool place = false;
    {
        Locked locked(*this);
        start = m_loopStartData = LiveLoopData(m_loopStartData);
        end = m_loopEndData = LiveLoopData(m_loopEndData);
        from = m_playRegionStart;
        to = m_playRegionEnd;
        place = !remove && LoopRegionEnabled();
        if (!m_performance)
            return;
    }
    MCCommandMgr::BeginNotify(m_performance);
    if (place) {
        start = PlaceLoopMark(start, kLoopStart, from);
        end = PlaceLoopMark(end, kLoopEnd, to);
    } else {
        for (DCsqFlowControl* data : {start, end}) {
            if (ECBase* mark = data ? data->GetOwner() : nullptr) {
                auto* take = new CCRemove(mark);
                take->SetSynchronous(1);
                take->Apply(m_performance);
            }
        }
        start = end = nullptr;
    }
    MCCommandMgr::EndNotify(m_performance);
    // The loop end must know the start it goes back to before the first slice, and the
    // prefetcher the marks that now stand or are gone.
    Locked locked(*this);
    MCFlowControl().Coordinate(this);
    m_wavePrefetchMgr.UpdateFlowControl();
    m_loopStartData = start;
    m_loopEndData = end;
    if (place) {
        m_playPosition = m_loopStartData;
        m_recordPosition = m_playPosition;
    }
}

// ---- markers

void CSequence::Next()
{
    GoToNextMarker(1);
}

void CSequence::Previous()
{
    GoToNextMarker(0);
}

void CSequence::GoToNextMarker(int forward)
{
    MCTime target;
    {
        Locked locked(*this);
        if (!m_performance)
            return;
        ACFindEvents find;
        find.AddEvtType(EventId::Text);
        find.AddEvtType(EventId::FlowControl);
        find.Apply(m_performance);
        MCEventList& markers = find.GetEvents();
        markers.Sort();
        auto isMarker = [](ECBase* element) {
            if (element->GetEventId() != EventId::Text)
                return true;
            const auto* text = plat::dynamicDowncast<ECText>(element);
            const int type = text ? text->GetTextType() : -1;
            return type == 5 || type == 6 || type == 14 || type == 15;
        };
        const MCTime location = isNull(m_location) ? MCTime(0.0f) : m_location;
        std::vector<ECBase*> sorted(markers.begin(), markers.end());
        if (forward) {
            target = m_conductor ? m_conductor->GetMaxMeasureEndTime() : location;
            for (ECBase* element : sorted) {
                const MCTime* at = element->GetTime();
                if (at && isMarker(element) && *at > location) {
                    target = *at;
                    break;
                }
            }
        } else {
            target = MCTime(0.0f);
            for (auto it = sorted.rbegin(); it != sorted.rend(); ++it) {
                const MCTime* at = (*it)->GetTime();
                if (at && isMarker(*it) && *at < location) {
                    target = *at;
                    break;
                }
            }
            // The first press goes back to where the play started, the next ones further.
            if (target < m_startPosition && m_startPosition < location && m_previousPressCount == 0)
                target = m_startPosition;
        }
        target = timeOf(target.GetSeconds(), MCTime::normal);
    }
    ApplyLocate(target);
}

// ---- step play

void CSequence::AdvancePlayPosition()
{
    Locked locked(*this);
    if (m_playPosition)
        m_playPosition = m_playPosition->GetNext();
}

void CSequence::StepPlay()
{
    Locked locked(*this);
    if (!TestState(stateStepPlaying)) {
        ClearPlayState();
        AddState(stateStepPlaying);
        MCFlowControl().Reset(this);
        m_unwrapOffset = MCTime(0.0f);
    }
    float threshold = LoadFloatPreference("Sequencer\\Midi\\Play", "Step-play Threshold", 0.1f);
    if (!(threshold >= 0.001f))
        threshold = 0.001f;
    m_stepPlayThreshold = MCTime(threshold);

    // The group: the first note or wave clip from the play position, and everything that
    // follows it within the threshold of the one before; a flow mark ends it.
    DCsqBase* node = m_playPosition;
    while (node && node->GetClassType() != SeqClassType::Note && node->GetClassType() != SeqClassType::Wave)
        node = node->GetNext();
    const bool atEnd = node == nullptr;
    DCsqBase* flow = nullptr;
    MCTime last = m_location;
    if (!atEnd) {
        last = dataTime(node);
        for (DCsqBase* next = node->GetNext(); next; next = next->GetNext()) {
            if (next->GetClassType() == SeqClassType::FlowControl) {
                flow = next;
                break;
            }
            const MCTime at = dataTime(next);
            if (at.GetSeconds() - last.GetSeconds() > threshold)
                break;
            last = at;
        }
    }
    m_windowBegin = isNull(m_location) ? MCTime(0.0f) : m_location;
    if (atEnd) {
        last = m_conductor ? m_conductor->GetMaxMeasureEndTime() : m_windowBegin;
        m_windowEnd = MCTime::TimeMax();
    } else {
        m_windowEnd = MCTime(last.GetSeconds() + 0.0005f);
    }
    m_rawWindowEnd = m_windowEnd;

    MCTime until = m_windowEnd;
    UnwrappedTime(until);
    int done = 0;
    CWGEventList& records = m_player.GetOutputEvents(until, atEnd ? 1 : 0, done);
    CWGEventList now;
    CWGEventList queued;
    while (!records.empty()) {
        std::unique_ptr<CWGEventData> record = std::move(records.front());
        records.pop_front();
        if (!record)
            continue;
        const auto status = static_cast<uint8_t>(record->data & 0xF0);
        const auto byte1 = static_cast<uint8_t>((record->data >> 8) & 0x7F);
        const auto byte2 = static_cast<uint8_t>((record->data >> 16) & 0x7F);
        // What sets the sound up or ends a note goes out at once; the notes follow queued.
        const bool immediate = record->type == CWGEventData::WG_EVENT_MIDI &&
                               ((status == 0xB0 && (byte1 == 0 || byte1 == 32)) || status == 0xC0 || status == 0x80 ||
                                (status == 0x90 && byte2 == 0));
        if (immediate) {
            now.push_back(std::move(record));
        } else {
            record->time = 0;
            queued.push_back(std::move(record));
        }
    }
    for (auto& record : now) {
        const int device = record->device;
        const auto message = static_cast<uint32_t>(record->data);
        Defer([device, message] {
            if (CWavegate* manager = wavegate())
                manager->SendMidiMsg(device, message, 0);
        });
    }
    DeferPlayBuffer(queued);
    m_location = m_windowEnd;
    if (!atEnd) {
        const MCTime at = last;
        Defer([this, at] {
            auto* state = new SCTime(1900, at);
            state->SetSynchronous(1);
            ApplyState(state);
        });
    } else {
        if (m_conductor) {
            const MCTime end = m_conductor->GetMaxMeasureEndTime();
            if (m_location > end)
                m_location = end;
        }
        m_meterLevelMgr.ResetLevels();
        if (AutoRewindEnabled()) {
            ApplyState(new SCPerform(SCPerform::codeReturn));
        } else {
            const MCTime at = m_location;
            Defer([this, at] {
                auto* state = new SCTime(1900, at);
                state->SetSynchronous(1);
                ApplyState(state);
            });
        }
    }
    if (flow)
        UpdatePosition(flow);
}

// ---- the step-record value

void CSequence::SetStepRecordValue()
{
    const int type = SCMode::GetEventType();
    if (type != EventId::Note && type != EventId::Tuplet)
        return;
    const auto hold = plat::RefPtr<ECBase>::adopt(SCMode::GetEvent());
    ECBase* event = hold.get();
    Locked locked(*this);
    if (type == EventId::Note) {
        const MCTime* duration = event ? event->GetDuration() : nullptr;
        m_stepDuration = duration ? *duration : MCTime(1.0f);
        return;
    }
    auto* tuplet = plat::dynamicDowncast<ECTuplet>(event);
    MCEventList* children = tuplet ? tuplet->GetChildren() : nullptr;
    if (!children)
        return;
    for (ECBase* child : *children) {
        if (child->GetEventId() == EventId::Note && child->GetDuration()) {
            MCTime duration = *child->GetDuration();
            m_stepDuration = tuplet->ScaleDuration(&duration);
            return;
        }
    }
    for (ECBase* child : *children) {
        if (const auto* rest = plat::dynamicDowncast<ECRest>(child)) {
            MCTime duration = ECRest::GetRestDuration(rest->GetRestType(), 0);
            m_stepDuration = tuplet->ScaleDuration(&duration);
            return;
        }
    }
}
