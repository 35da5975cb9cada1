#include "sequencer/transport/CSequence.h"

#include "notabase/model/ECFlowControl.h"
#include "notabase/score/ECConductor.h"
#include "notabase/states/SCTime.h"
#include "sequencer/data/DCsqFlowControl.h"
#include "sequencer/states/SCPerform.h"
#include "sequencer/transport/CSequenceLocked.h"
#include "sequencer/transport/MCFlowControl.h"
#include "sequencer/transport/SequenceSupport.h"

#include <algorithm>

using namespace sequence_support;

namespace {

constexpr int kLoopEnd = 18;

bool isNoteOff(const CWGEventData& record)
{
    if (record.type != CWGEventData::WG_EVENT_MIDI)
        return false;
    const auto status = static_cast<uint8_t>(record.data & 0xF0);
    const auto velocity = static_cast<uint8_t>((record.data >> 16) & 0x7F);
    return status == 0x80 || (status == 0x90 && velocity == 0);
}

// Reverses the order of the records of each millisecond of a list in time order.
void reverseEachMillisecond(CWGEventList& list)
{
    for (auto first = list.begin(); first != list.end();) {
        auto next = std::next(first);
        // Each later record of the millisecond moves to its front.
        while (next != list.end() && (*next)->time == (*first)->time) {
            auto moved = next++;
            list.splice(first, list, moved);
            first = moved;
        }
        first = next;
    }
}

// Moves the records of from into out in time order: a note-off before every record of its
// millisecond (a later off before an earlier one), anything else after the records already there
// at its millisecond; a null record is dropped. Records keep their list nodes. All are sorted at
// once: placed one by one, each would search back past every record of its millisecond, and with
// many tracks sounding at once that is most of a window.
void sortRecordsInto(CWGEventList& out, CWGEventList& from)
{
    CWGEventList offs;
    CWGEventList others;
    while (!from.empty()) {
        if (!from.front()) {
            from.pop_front();
            continue;
        }
        CWGEventList& to = isNoteOff(*from.front()) ? offs : others;
        to.splice(to.end(), from, from.begin());
    }
    const auto earlier = [](const auto& a, const auto& b) { return a->time < b->time; };
    // A sort keeps the order of records of one millisecond, and a merge takes its own list's
    // records of a millisecond first.
    const auto sortIfNeeded = [&](CWGEventList& list) {
        if (!std::is_sorted(list.begin(), list.end(), earlier))
            list.sort(earlier);
    };
    sortIfNeeded(offs);
    reverseEachMillisecond(offs);
    sortIfNeeded(others);
    offs.merge(out, earlier);
    out.swap(offs);
    out.merge(others, earlier);
}

// Moves the records of from into out in the order sortRecordsInto gives. The records of a track
// mostly come in order, and each is placed by a search back from the end: a few steps, and some
// longer for the ends of notes held from the last window. Once the searches have taken more than
// kStepsPerRecord steps a record, as with many tracks sounding at once, the rest are sorted in.
void mergeRecords(CWGEventList& out, CWGEventList& from)
{
    constexpr long kStepsPerRecord = 8;
    long steps = 8 * kStepsPerRecord;
    while (!from.empty()) {
        const CWGEventData* record = from.front().get();
        if (!record) {
            from.pop_front();
            continue;
        }
        const bool off = isNoteOff(*record);
        steps += kStepsPerRecord;
        auto place = out.end();
        for (; place != out.begin(); --place) {
            const uint32_t before = (*std::prev(place))->time;
            if (off ? before < record->time : before <= record->time)
                break;
            if (--steps < 0) {
                sortRecordsInto(out, from);
                return;
            }
        }
        out.splice(place, from, from.begin());
    }
}

}  // namespace

void CSequence::UpdatePosition(DCsqBase* data)
{
    auto* flow = plat::dynamicDowncast<DCsqFlowControl>(data);
    if (!flow)
        return;
    Locked locked(*this);
    if (IgnoreFlowControl()) {
        m_playPosition = flow->GetNext();
        return;
    }
    int jump = 0;
    DCsqBase* target = flow->GetNextTarget(&jump);
    m_playPosition = target;
    ECBase* owner = flow->GetOwner();
    const MCTime* at = owner ? owner->GetTime() : nullptr;
    if (!target || !jump || !at) {
        // Play goes on from the mark: what the window held before it has been gathered.
        if (at && !TestState(stateStepPlaying))
            m_windowBegin = timeOf(at->GetSeconds(), MCTime::normal);
        return;
    }
    const auto* mark = plat::dynamicDowncast<ECFlowControl>(owner);
    const bool loopEnd = mark && mark->GetFlowControlType() == kLoopEnd;
    const MCTime source = timeOf(at->GetSeconds(), MCTime::normal);
    const MCTime targetTime = timeOf(dataTime(target).GetSeconds(), MCTime::normal);
    // A recording goes on over repeats as written; only the loop goes round.
    if (TestState(stateRecording) && !loopEnd)
        return;
    m_unwrapOffset = timeOf(m_unwrapOffset.GetSeconds() + source.GetSeconds() - targetTime.GetSeconds(), MCTime::normal);
    if (TestState(stateMidiWriting)) {
        m_location = targetTime;
        m_windowBegin = m_location;
        m_windowEnd = m_rawWindowEnd;
        NormalizeTime(m_windowEnd);
        return;
    }
    if (TestState(stateStepPlaying)) {
        m_location = targetTime;
        return;
    }
    MCTime performed = source;
    AbsoluteTime(performed);
    m_absoluteReference = performed;
    m_location = targetTime;
    m_normalizedReference = targetTime;
    // The window goes on at the target itself, not at a time taken there and back.
    m_windowBegin = targetTime;
    if (const float tempo = TempoAt(m_windowBegin); tempo > 0.0f) {
        m_scoreSpeed = tempo / 60.0f;
        m_speedFactor = m_userSpeed * m_scoreSpeed;
        m_actualSpeed = TestState(stateFastForward) ? m_fastSpeed.load() : m_speedFactor.load();
        UpdateBPMDisplay(m_windowBegin, 1);
    }
    m_windowEnd = m_rawWindowEnd;
    NormalizeTime(m_windowEnd);
    if (TestState(stateRecording) && loopEnd) {
        // The next pass records again. Setting up the recorders applies commands (new tracks
        // for the take), which must run on the main thread: the driver thread asks for it with
        // a posted record state and never waits for the main thread.
        ++m_recordLoopCount;
        ApplyState(new SCPerform(SCPerform::codeRecord));
    }
    m_metronome.PrepareToPlay();
    ApplyState(new SCTime(1910, m_location));
}

int CSequence::GetMidiFileEvents(MCTime& from, MCTime& to, int track, CWGEventList& out)
{
    Locked locked(*this);
    m_midiFileTrack = track;
    int done = 0;
    if (from.GetSeconds() == 0.0f) {
        // Every pass from the top (a chunk of each track, a second save) walks the whole list.
        MCFlowControl().Reset(this);
        m_unwrapOffset = MCTime(0.0f);
        m_playPosition = m_head;
        m_player.FlushQueues();
    }
    const MCTime until = timeOf(to.GetSeconds(), MCTime::unwrapped);
    m_rawWindowBegin = timeOf(from.GetSeconds(), MCTime::unwrapped);
    m_windowBegin = m_rawWindowBegin;
    NormalizeTime(m_windowBegin);
    m_rawWindowEnd = until;
    m_windowEnd = m_rawWindowEnd;
    NormalizeTime(m_windowEnd);
    int playerDone = 0;
    CWGEventList& records = m_player.GetOutputEvents(until, 0, playerDone);
    mergeRecords(out, records);
    if (!m_playPosition) {
        MCTime end = m_conductor ? m_conductor->GetMaxMeasureEndTime() : MCTime(0.0f);
        UnwrappedTime(end);
        if (!(to.GetSeconds() < end.GetSeconds())) {
            to = timeOf(end.GetSeconds(), to.GetMode());
            done = 1;
            // What still waits in the queue (the offs of notes held past the last bar) goes
            // into the file too, rather than leaving those notes sounding.
            CWGEventList& rest = m_player.GetOutputEvents(MCTime::TimeMax(), 1, playerDone);
            mergeRecords(out, rest);
        }
    }
    return done;
}

void CSequence::RecycleMidiFileEvents(CWGEventList& written)
{
    Locked locked(*this);
    m_player.GetEventPool().GiveRecords(written);
}
