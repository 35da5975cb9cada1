#include "sequencer/play/CSeqPlay.h"

#include "notabase/model/ECBase.h"
#include "notabase/model/ECFlowControl.h"
#include "notabase/model/ECTempoEnv.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorStaff.h"
#include "notabase/score/ECMeasure.h"
#include "notabase/score/ECTrack.h"
#include "sequencer/data/DCsqBase.h"
#include "sequencer/data/DCsqStaff.h"
#include "sequencer/data/DCsqTrack.h"
#include "sequencer/layers/LCsqMakeNoteOff.h"
#include "sequencer/transport/CSequence.h"
#include "wavegate/CWavegate.h"

#include <cmath>
#include <functional>
#include <new>

PLAT_IMPLEMENT_DYNAMIC(CSeqPlay, plat::Object)

namespace {

constexpr uint8_t kClock = 0xF8;
constexpr uint8_t kStart = 0xFA;
constexpr uint8_t kContinue = 0xFB;
constexpr uint8_t kStop = 0xFC;
constexpr uint8_t kSongPosition = 0xF2;
// More jumps than this in one window can only be a loop that takes no time.
constexpr int kMaxJumpsPerWindow = 256;
// The places the write index walks the data list from at once, besides its head.
constexpr int kWalkStarts = 15;

std::unique_ptr<CSeqEvent> timingEvent(uint8_t status, const MCTime& time)
{
    std::unique_ptr<CSeqEvent> event(new (std::nothrow) CSeqEvent);
    if (event)
        event->SetTimingEvent(FCMidi(status), time);
    return event;
}

// Marks that only mark a place (a sequence number, a track end, a time-code offset, the loop
// start, ...) never send play elsewhere.
bool neverJumps(const DCsqBase* flow)
{
    const auto* mark = plat::dynamicDowncast<ECFlowControl>(flow->GetOwner());
    const int type = mark ? mark->GetFlowControlType() : 0;
    return type == 0 || (type >= 13 && type <= 17) || type == 19;
}

// Places in the sequence's data list to walk it from at once: for bars spread evenly through
// the piece, the datum of the first element of a track's measure there. Found through the
// conductor's table of bars, without a walk of the list; in the order of their bars, each after
// the head.
std::vector<DCsqBase*> spreadListData(const CSequence& sequence, int count)
{
    std::vector<DCsqBase*> starts;
    ECConductor* conductor = sequence.GetConductor();
    ECConductorStaff* staff = conductor ? conductor->GetConductorStaff() : nullptr;
    if (!staff)
        return starts;
    const int bars = staff->GetMaxMeasureNumber();
    const int tracks = staff->GetMaxStaffNumber();
    const auto firstListed = [&](ECMeasure* measure) -> DCsqBase* {
        MCEventList* children = measure ? measure->GetChildren() : nullptr;
        if (!children)
            return nullptr;
        for (ECBase* child : *children) {
            // A datum with one before it stands in the list, after its head.
            auto* data = child ? plat::dynamicDowncast<DCsqBase>(child->GetData(0, 0)) : nullptr;
            if (data && data->GetPrev())
                return data;
        }
        return nullptr;
    };
    int lastBar = 1;
    for (int place = 1; place <= count; ++place) {
        const int bar = 1 + static_cast<int>(static_cast<long>(bars) * place / (count + 1));
        if (bar <= lastBar)
            continue;
        for (int track = 0; track <= tracks; ++track) {
            if (DCsqBase* data = firstListed(staff->GetMeasure(track, bar))) {
                starts.push_back(data);
                lastBar = bar;
                break;
            }
        }
    }
    return starts;
}

ECTempoEnv* tempoMap(CSequence* sequence)
{
    ECConductor* conductor = sequence ? sequence->GetConductor() : nullptr;
    ECConductorStaff* staff = conductor ? conductor->GetConductorStaff() : nullptr;
    return staff ? staff->GetTempoEnv() : nullptr;
}

}  // namespace

CSeqPlay::~CSeqPlay()
{
    Detach();
}

MCTime CSeqPlay::PerformanceTime(float seconds)
{
    MCTime time(seconds);
    time.SetMode(MCTime::absolute);
    return time;
}

int CSeqPlay::SyncMode()
{
    const CWavegate* manager = CWavegate::GetWavegate();
    return manager ? static_cast<int>(manager->GetSyncMode()) : 0;
}

bool CSeqPlay::Writing() const
{
    return m_sequence->TestState(CSequence::stateMidiWriting | CSequence::stateStepPlaying) != 0;
}

void CSeqPlay::Attach(CSequence* sequence)
{
    m_sequence = sequence;
}

void CSeqPlay::Detach()
{
    FlushQueues();
    m_output.clear();
    m_sequence = nullptr;
}

void CSeqPlay::FlushQueues()
{
    m_pending.clear();
    m_paused.clear();
    m_staging.clear();
}

void CSeqPlay::PrepareToPlay()
{
    if (!m_sequence)
        return;
    const CWavegate* manager = CWavegate::GetWavegate();
    if (!m_paused.empty()) {
        // The events held over the pause keep their distance from the moment it began.
        const float now = manager ? static_cast<float>(manager->GetBufferTime()) / 1000.0f : m_pauseTime.GetSeconds();
        const float shift = now - m_pauseTime.GetSeconds();
        for (auto& event : m_paused)
            event->SetTimeStamp(PerformanceTime(event->GetTimeStamp().GetSeconds() + shift));
        m_pending.splice(m_pending.end(), m_paused);
    }
    m_leadInClocks = static_cast<int>(m_sequence->GetLeadInTime().GetSeconds() * 24.0f);
    m_clocksSent = 0;
    m_leadInDone = 0;
    m_startPosition = m_sequence->GetLocation();
    m_startPosition.SetMode(MCTime::normal);
}

void CSeqPlay::PrepareToStop()
{
    PrepareToStop(1);
    PreparePedalOff();
}

void CSeqPlay::PrepareToPause()
{
    PrepareToStop(0);
    PreparePedalOff();
}

void CSeqPlay::PreparePedalOff()
{
    if (!m_sequence)
        return;
    const CWavegate* manager = CWavegate::GetWavegate();
    MCTime now = PerformanceTime(manager ? static_cast<float>(manager->GetBufferTime()) / 1000.0f : 0.0f);
    m_sequence->NormalizeTime(now);
    ForEachTrack(0, [&](DCsqTrack& track) {
        if (auto* staff = track.GetTrackType() == 1 ? plat::dynamicDowncast<DCsqStaff>(&track) : nullptr)
            staff->GetSustainPedalOffData(now, m_staging);
    });
    ProcessEventList(m_staging, 0x2B);
    // Due at once, ahead of everything queued.
    while (!m_staging.empty()) {
        std::unique_ptr<CSeqEvent> event = std::move(m_staging.back());
        m_staging.pop_back();
        event->SetTimeStamp(PerformanceTime(0.0f));
        m_pending.push_front(std::move(event));
    }
}

void CSeqPlay::PrepareToStop(int stop)
{
    m_paused.clear();
    m_staging.clear();
    if (!stop) {
        const CWavegate* manager = CWavegate::GetWavegate();
        m_pauseTime = PerformanceTime(manager ? static_cast<float>(manager->GetBufferTime()) / 1000.0f : 0.0f);
    }
    m_paused.splice(m_paused.end(), m_pending);
    SortList(m_paused);
    m_notes.clear();
    // The note-off of a note that sounds goes out at once; a note not begun yet never sounds.
    for (auto it = m_paused.begin(); it != m_paused.end();) {
        if (TransferEvent(**it)) {
            (*it)->SetTimeStamp(PerformanceTime(0.0f));
            auto next = std::next(it);
            m_pending.splice(m_pending.end(), m_paused, it);
            it = next;
        } else if (stop) {
            it = m_paused.erase(it);
        } else {
            ++it;
        }
    }
    if (SyncMode() == 1) {
        if (auto event = timingEvent(kStop, PerformanceTime(0.0f)))
            m_pending.push_back(std::move(event));
    }
}

int CSeqPlay::TransferEvent(CSeqEvent& event)
{
    if (event.GetDataType() != CSeqEvent::typeMidi)
        return 0;
    const FCMidi& message = event.GetMidiData();
    const uint16_t voiceTrack = event.GetVoiceTrack().GetValue();
    const uint8_t key = message.GetDataByte1();
    if (message.IsNoteOn()) {
        m_notes.insert(m_notes.begin(), SoundingNote{voiceTrack, key});
        return 0;
    }
    if (!message.IsNoteOff())
        return 0;
    for (auto it = m_notes.begin(); it != m_notes.end(); ++it) {
        if (it->voiceTrack == voiceTrack && it->key == key) {
            m_notes.erase(it);
            return 0;
        }
    }
    return 1;
}

void CSeqPlay::SortList(CSeqEventList& list)
{
    list.sort([](const std::unique_ptr<CSeqEvent>& a, const std::unique_ptr<CSeqEvent>& b) {
        return a->GetTimeStamp().GetSeconds() < b->GetTimeStamp().GetSeconds();
    });
}

void CSeqPlay::ToOutputTime(MCTime& time)
{
    if (Writing()) {
        m_sequence->UnwrappedTime(time);
        return;
    }
    ECTempoEnv* tempo = tempoMap(m_sequence);
    const uint32_t linear = CSequence::stateFastForward | CSequence::statePlayLeadIn | CSequence::stateRecordLeadIn;
    if (!tempo || m_sequence->TestState(linear) || time.GetMode() != MCTime::normal) {
        m_sequence->AbsoluteTime(time);
        return;
    }
    // Along the tempo map from the window's begin, so that an event past a tempo change (the
    // off half of a long note) comes when the new tempo brings it, not the tempo of now.
    const MCTime& begin = m_sequence->GetCurrentWindowBegin();
    MCTime anchor = begin;
    m_sequence->AbsoluteTime(anchor);
    MCTime from = begin;
    tempo->GetClockTime(from);
    MCTime to = time;
    tempo->GetClockTime(to);
    time = PerformanceTime(anchor.GetSeconds() + (to.GetSeconds() - from.GetSeconds()) / m_sequence->GetUserSpeed());
}

CWGEventList& CSeqPlay::GetOutputEvents(const MCTime& until, int finishing, int& done)
{
    done = 0;
    if (!m_sequence) {
        done = finishing ? 1 : 0;
        return m_output;
    }
    if (!finishing) {
        // A flow mark ends the window where it stands; play goes on where the mark sends it,
        // for the rest of the window. A loop shorter than the window goes round more than once,
        // but a jump that gains no time would go round for good: the count stops it.
        for (int jumps = 0;; ++jumps) {
            CSeqEventList window;
            DCsqBase* flow = nullptr;
            if (!GetLeadInTimingEvents(window)) {
                flow = GetCurrentWindowEvents(window);
                ProcessEventList(window, 0x0B | (m_sequence->IgnoreFilters() ? 0u : 0x20u));
            }
            for (auto& event : window)
                ToOutputTime(event->GetTimeStamp());
            m_staging.splice(m_staging.end(), window);
            if (!flow || jumps >= kMaxJumpsPerWindow)
                break;
            m_sequence->UpdatePosition(flow);
            if (m_sequence->TestState(CSequence::stateRecordLeadIn))
                break;
        }
        if (!Writing())
            m_sequence->GetWavePrefetchMgr().DoPrefetch(m_sequence->GetCurrentWindowBegin(), 0);
    }
    // The new window's events first, then those carried over from earlier windows.
    m_staging.splice(m_staging.end(), m_pending);
    DeliverStaged(until);
    if (finishing && m_pending.empty()) {
        done = 1;
        m_leadInDone = 0;
        m_leadInClocks = 0;
        m_clocksSent = 0;
    }
    return m_output;
}

void CSeqPlay::DeliverStaged(const MCTime& until)
{
    while (!m_staging.empty()) {
        // An event not due yet moves to the queue in its own list node.
        if (!(m_staging.front()->GetTimeStamp().GetSeconds() < until.GetSeconds())) {
            m_pending.splice(m_pending.end(), m_staging, m_staging.begin());
            continue;
        }
        CSeqEvent& event = *m_staging.front();
        event.ConvertData(m_output, 0, &m_eventPool.GetSpareRecords());
        FeedMonitors(event);
        m_eventPool.Give(m_staging, m_staging.begin());
    }
}

void CSeqPlay::FeedMonitors(CSeqEvent& event)
{
    if (event.IsMuted() || m_sequence->TestState(CSequence::stateMidiWriting))
        return;
    const uint32_t type = event.GetDataType();
    if (type != CSeqEvent::typeMidi && type != CSeqEvent::typeNote)
        return;
    const FCMidi& message = event.GetMidiData();
    const MCVoiceTrack word = event.GetVoiceTrack();
    const auto track = static_cast<unsigned>(word.GetTrack());
    const long ms = event.GetTimeStamp().GetMSec();
    const uint32_t time = ms > 0 ? static_cast<uint32_t>(ms) : 0;
    if (message.IsNoteOn()) {
        m_sequence->GetMeterLevelMgr().SetMeterLevel(track, message.GetDataByte2(), time);
        if (type == CSeqEvent::typeMidi)
            m_sequence->GetHighlightMgr().SetHighlightOn(event.GetBaseEvent(), time);
    } else if (type == CSeqEvent::typeMidi && message.IsNoteOff()) {
        m_sequence->GetHighlightMgr().SetHighlightOff(event.GetBaseEvent(), time);
    }
}

CWGEventList& CSeqPlay::GetOutputState(const MCTime& time)
{
    FlushQueues();
    if (!m_sequence)
        return m_output;
    GetCurrentStateEvents(time, m_staging);
    ProcessEventList(m_staging, 0x2B);
    for (auto& event : m_staging) {
        event->SetTimeStamp(PerformanceTime(0.0f));
        event->ConvertData(m_output, 0);
    }
    m_staging.clear();
    return m_output;
}

void CSeqPlay::GetCurrentStateEvents(const MCTime& time, CSeqEventList& list)
{
    ForEachTrack(1, [&](DCsqTrack& track) { track.GetStateData(time, list); });
    if (SyncMode() != 1 || m_sequence->TestState(CSequence::stateMidiWriting))
        return;
    // The song position pointer, in sixteenth notes.
    const int position = static_cast<int>(time.GetSeconds() / 0.25f);
    FCMidi message(kSongPosition);
    message.SetDataByte1(static_cast<uint8_t>(position & 0x7F));
    message.SetDataByte2(static_cast<uint8_t>((position >> 7) & 0x7F));
    std::unique_ptr<CSeqEvent> event(new (std::nothrow) CSeqEvent);
    if (!event)
        return;
    event->SetTimingEvent(message, time);
    list.push_back(std::move(event));
}

DCsqBase* CSeqPlay::GetCurrentWindowEvents(CSeqEventList& list)
{
    if (m_sequence->TestState(CSequence::statePlayLeadIn | CSequence::stateRecordLeadIn))
        return nullptr;
    const MCTime begin = m_sequence->GetCurrentWindowBegin();
    MCTime end = m_sequence->GetCurrentWindowEnd();
    DCsqBase* flow = nullptr;
    DCsqBase* position = m_sequence->GetPlayPosition();
    // A file written one track at a time passes over the data of the other tracks by the
    // index, or each track would walk the whole piece. A file of one track walks the index too:
    // it knows the data ahead and asks for them before they are reached.
    const bool wholeList = m_sequence->GetMidiFileTrack() == CSequence::kEveryTrack;
    const int track = wholeList ? CSeqWriteIndex::kWholeList : m_sequence->GetMidiFileTrack();
    bool indexed = false;
    if (position && m_sequence->TestState(CSequence::stateMidiWriting)) {
        if (m_writeIndex.GetHead() != m_sequence->GetHead() || m_writeIndex.ByTrack() == wholeList)
            m_writeIndex.Build(m_sequence->GetHead(), m_sequence->GetTail(), spreadListData(*m_sequence, kWalkStarts),
                               !wholeList);
        DCsqBase* first = m_writeIndex.Start(track, position, indexed);
        if (indexed)
            position = first;
    }
    while (position) {
        ECBase* owner = position->GetOwner();
        const MCTime* time = owner ? owner->GetTime() : nullptr;
        if (time && !(*time < begin)) {
            if (!(*time < end))
                break;
            if (position->GetClassType() != SeqClassType::FlowControl) {
                position->GetEventData(list, m_sequence);
            } else if (!m_sequence->IgnoreFlowControl() && !neverJumps(position)) {
                // The others decide in UpdatePosition. A mark that never jumps is passed
                // without ending the window: ended there, the rest of the window would be
                // gathered from the mark again, and a mark at the start would bring the
                // start's settings and tempo twice.
                flow = position;
                break;
            }
        }
        position = indexed ? m_writeIndex.Next() : position->GetNext();
    }
    if (flow)
        end = *flow->GetOwner()->GetTime();
    m_sequence->SetPlayPosition(position);
    // The controller changes go ahead of the notes: at one moment a program or controller
    // change must reach the output before the note that it is for.
    CSeqEventList changes;
    ForEachTrack(0, [&](DCsqTrack& track) { track.GetEnvelopeData(begin, end, changes); });
    list.splice(list.begin(), changes);
    GetTimingEvents(end, list);
    return flow;
}

void CSeqPlay::QueuedToMusical(const MCTime& from)
{
    if (!m_sequence)
        return;
    for (auto& event : m_pending) {
        MCTime& time = event->GetTimeStamp();
        if (time.GetMode() == MCTime::absolute && !(time < from))
            m_sequence->NormalizeTime(time);
    }
}

void CSeqPlay::QueuedToPerformance()
{
    if (!m_sequence)
        return;
    for (auto& event : m_pending) {
        MCTime& time = event->GetTimeStamp();
        if (time.GetMode() == MCTime::normal)
            m_sequence->AbsoluteTime(time);
    }
}

void CSeqPlay::ForEachTrack(int create, const std::function<void(DCsqTrack&)>& visit) const
{
    ECConductor* conductor = m_sequence->GetConductor();
    if (!conductor)
        return;
    for (int kind : {ECConductor::conductorTrack, ECConductor::staffTrack, ECConductor::waveTrack}) {
        const int last = conductor->GetMaxTrackNumber(kind);
        for (int number = 1; number <= last; ++number) {
            ECTrack* track = conductor->GetTrack(kind, number, 0);
            if (auto* data = track ? plat::dynamicDowncast<DCsqTrack>(track->GetData(0, create)) : nullptr)
                visit(*data);
        }
    }
}

int CSeqPlay::GetLeadInTimingEvents(CSeqEventList& list)
{
    if (SyncMode() != 1 || m_sequence->TestState(CSequence::stateMidiWriting) || m_leadInDone)
        return 0;
    const MCTime end = m_sequence->GetCurrentWindowEnd();
    while (!m_leadInDone) {
        const MCTime at(m_startPosition.GetSeconds() + static_cast<float>(m_clocksSent) / 24.0f);
        if (!(at < end))
            break;
        if (m_clocksSent < m_leadInClocks) {
            if (auto clock = timingEvent(kClock, at))
                list.push_back(std::move(clock));
            if (++m_clocksSent < m_leadInClocks)
                continue;
        }
        // The last clock of the lead-in is followed by the start, or a continue away from 0.
        const uint8_t status = m_sequence->GetLocation() == MCTime(0.0f) ? kStart : kContinue;
        if (auto start = timingEvent(status, at))
            list.push_back(std::move(start));
        m_clocksSent = 0;
        m_leadInClocks = 0;
        m_leadInDone = 1;
    }
    return 1;
}

void CSeqPlay::GetTimingEvents(const MCTime& until, CSeqEventList& list)
{
    if (SyncMode() != 1 || m_sequence->TestState(CSequence::stateMidiWriting))
        return;
    CSeqEventList clocks;
    for (;;) {
        const MCTime at(m_startPosition.GetSeconds() + static_cast<float>(m_clocksSent) / 24.0f);
        if (!(at < until))
            break;
        if (auto clock = timingEvent(kClock, at))
            clocks.push_back(std::move(clock));
        ++m_clocksSent;
    }
    list.splice(list.begin(), clocks);
}

void CSeqPlay::ProcessEventList(CSeqEventList& list, unsigned long mask)
{
    if (!m_sequence)
        return;
    LCsqMakeNoteOff makeNoteOff;
    makeNoteOff.SetEventPool(&m_eventPool);
    std::vector<LCBase*> sequenceFilters;
    m_sequence->GetFilterList(sequenceFilters, mask);
    CSeqEventList made;
    for (auto& event : list) {
        DCsqTrack* track = event->GetTrack();
        if (!track)
            continue;
        // The events of a muted track, or one silenced by another's solo, keep their place in
        // the queues but make nothing.
        if (!track->IsActive() && !m_sequence->IgnoreTrackStates()) {
            event->SetMuted(1);
            continue;
        }
        m_filters.clear();
        const int voice = event->GetVoiceTrack().GetVoice();
        track->GetFilterList(m_filters, static_cast<unsigned int>(voice), mask);
        m_filters.push_back(&makeNoteOff);
        m_filters.insert(m_filters.end(), sequenceFilters.begin(), sequenceFilters.end());
        ProcessEvent(event.get(), m_filters, made, m_filterWork);
    }
    m_filters.clear();
    list.splice(list.end(), made);
}

void CSeqPlay::ProcessEvent(CSeqEvent* event, const std::vector<LCBase*>& filters, CSeqEventList& out,
                            std::vector<CSeqEvent*>& work)
{
    // The event itself stays in the caller's list; each filter sees it and what the filters
    // before it made.
    work.assign(1, event);
    CSeqEventList made;
    for (LCBase* layer : filters) {
        auto* filter = plat::dynamicDowncast<LCsqBase>(layer);
        // A disabled filter keeps its place in the chain but acts on nothing.
        if (!filter || !filter->IsEnabled())
            continue;
        CSeqEventList products;
        const size_t count = work.size();
        for (size_t i = 0; i < count; ++i)
            filter->ProcessEvent(work[i], products);
        for (auto& product : products)
            work.push_back(product.get());
        made.splice(made.end(), products);
    }
    out.splice(out.end(), made);
}
