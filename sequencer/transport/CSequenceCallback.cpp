#include "sequencer/transport/CSequence.h"

#include "notabase/commands/CCAddTempo.h"
#include "notabase/commands/CCEdit.h"
#include "notabase/model/ECEnvPoint.h"
#include "notabase/model/ECTempo.h"
#include "notabase/model/ECTempoEnv.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorStaff.h"
#include "notabase/states/SCTime.h"
#include "platform/core/Trace.h"
#include "sequencer/states/SCMaster.h"
#include "sequencer/states/SCPerform.h"
#include "sequencer/transport/CSequenceLocked.h"
#include "sequencer/transport/SequenceSupport.h"
#include "wavegate/CWavegate.h"

#include <algorithm>

using namespace sequence_support;

class CSequence::CallbackScope {
public:
    explicit CallbackScope(CSequence& sequence)
        : m_sequence(sequence), m_previous(sequence.m_callbackThread.exchange(std::this_thread::get_id()))
    {
    }
    ~CallbackScope() { m_sequence.m_callbackThread = m_previous; }
    CallbackScope(const CallbackScope&) = delete;
    CallbackScope& operator=(const CallbackScope&) = delete;

private:
    CSequence& m_sequence;
    std::thread::id m_previous;
};

// ---- the performance callback

int CSequence::PerformProc(uintptr_t user, int code, uint32_t a, uint32_t b)
{
    auto* sequence = reinterpret_cast<CSequence*>(user);
    if (!sequence)
        return 0;
    const CallbackScope scope(*sequence);
    switch (code) {
    case CWavegate::WG_SYNC_START: {
        sequence->m_options |= 1u << 16;
        sequence->AdjustTimingFactors(-1.0f);
        bool away = false;
        {
            Locked locked(*sequence);
            away = sequence->m_startPosition != MCTime(0.0f);
        }
        if (away) {
            sequence->SetLocation(MCTime(0.0f));
            if (CWavegate* manager = wavegate())
                manager->QueueSlavedPerformance();
        }
        return 1;
    }
    case CWavegate::WG_SYNC_STOP: {
        sequence->m_options |= 1u << 18;
        {
            // The device manager drops every performance after an external stop.
            Locked locked(*sequence);
            sequence->m_liveTag = 0;
        }
        // Their players too, the prepared ones with them.
        sequence->m_wavePrefetchMgr.Reset(MCTime::TimeNull());
        sequence->ApplyState(new SCPerform(SCPerform::codeStop));
        return 1;
    }
    case CWavegate::WG_SYNC_CONTINUE:
        sequence->m_options |= 1u << 17;
        sequence->AdjustTimingFactors(-1.0f);
        return 1;
    case CWavegate::WG_SYNC_CLOCK:
        sequence->HandleSyncTiming(b);
        return 1;
    case CWavegate::WG_SYNC_POSITION: {
        const CWavegate* manager = wavegate();
        const MCTime location(manager ? static_cast<float>(manager->GetSyncPosition()) * 0.25f : 0.0f);
        plat::trace("SPP location is %f\n", static_cast<double>(location.GetSeconds()));
        sequence->SetLocation(location);
        return 1;
    }
    default:
        return sequence->PerformProc(code, a, b);
    }
}

void CSequence::GatherEvents(const MCTime& until, int finishing, int& playerDone, int& metronomeDone)
{
    // A tempo mark inside the window cuts it: what lies before the mark is gathered at the old
    // tempo, the timing is re-based at the mark, and the rest is gathered at the new tempo.
    ECConductorStaff* staff = m_conductor ? m_conductor->GetConductorStaff() : nullptr;
    ECTempoEnv* tempo = staff ? staff->GetTempoEnv() : nullptr;
    const uint32_t uncut = stateMidiWriting | stateStepPlaying | statePlayLeadIn | stateRecordLeadIn | stateFastForward;
    while (tempo && !finishing && !TestState(uncut)) {
        ECEnvPoint* point = tempo->GetPointAfter(m_windowBegin);
        const MCTime* at = point ? point->GetTime() : nullptr;
        float bpm = 0.0f;
        if (!at || !(*at < m_windowEnd) || !tempo->GetValue(*at, bpm, 0) || bpm <= 0.0f)
            break;
        const MCTime mark(at->GetSeconds());
        MCTime markPerformed = mark;
        AbsoluteTime(markPerformed);
        m_windowEnd = mark;
        int done = 0;
        DeferPlayBuffer(m_player.GetOutputEvents(markPerformed, 0, done));
        DeferPlayBuffer(m_metronome.GetOutputEvents(markPerformed, 0, done));
        m_absoluteReference = markPerformed;
        m_normalizedReference = mark;
        m_location = mark;
        m_windowBegin = mark;
        m_scoreSpeed = bpm / 60.0f;
        m_speedFactor = m_userSpeed * m_scoreSpeed;
        m_actualSpeed = m_speedFactor.load();
        UpdateBPMDisplay(m_windowBegin, 1);
        m_windowEnd = m_rawWindowEnd;
        NormalizeTime(m_windowEnd);
    }
    DeferPlayBuffer(m_player.GetOutputEvents(until, finishing, playerDone));
    DeferPlayBuffer(m_metronome.GetOutputEvents(until, finishing, metronomeDone));
}

int CSequence::PerformProc(int code, uint32_t begin, uint32_t end)
{
    Locked locked(*this);
    // A registration this sequence no longer answers for ends here.
    if (code != m_liveTag || TestState(stateStopped | statePaused)) {
        ForgetRegistration(code);
        return 0;
    }
    if (isNull(m_rawWindowBegin))
        InitTimingFactors();
    m_rawWindowBegin = timeOf(0.0f, MCTime::absolute);
    m_rawWindowBegin.SetMSec(static_cast<long>(begin));
    m_windowBegin = m_rawWindowBegin;
    NormalizeTime(m_windowBegin);
    if (!TestState(stateRecordLeadIn | statePlayLeadIn)) {
        const float tempo = TempoAt(m_windowBegin);
        if (tempo > 0.0f && m_followMap) {
            // The timeline follows the map already: the tempo only tells the speeds and the
            // display.
            m_scoreSpeed = tempo / 60.0f;
            m_speedFactor = m_userSpeed * m_scoreSpeed;
            m_actualSpeed = m_speedFactor.load();
            UpdateBPMDisplay(m_scoreSpeed * 60.0f * m_userSpeed, 0);
        } else if (tempo > 0.0f) {
            SetScoreSpeed(tempo / 60.0f);
        }
    }
    m_rawWindowEnd = timeOf(0.0f, MCTime::absolute);
    m_rawWindowEnd.SetMSec(static_cast<long>(end));
    m_windowEnd = m_rawWindowEnd;
    NormalizeTime(m_windowEnd);

    // Where the play ends: never in a loop, else at the end of the play region, of the last
    // note, or of the last measure.
    MCTime limit = MCTime::TimeMax();
    if (!LoopRegionEnabled()) {
        if (PlayRegionEnabled())
            limit = m_playRegionEnd;
        else if (AutoStopEnabled())
            limit = m_lastNoteTime;
        else if (m_conductor)
            limit = m_conductor->GetMaxMeasureEndTime();
    }
    // A lead-in counts its own time from the start position, not the piece's: it cannot reach
    // the end.
    const bool atEnd = !TestState(stateRecording | stateRecordLeadIn | statePlayLeadIn) && m_windowBegin >= limit;
    const bool flowEnded = (m_flowState & 8) != 0;
    const int finishing = (flowEnded || TestState(stateStopping) || TestState(statePausing) || atEnd) ? 1 : 0;
    int playerDone = 0;
    int metronomeDone = 0;

    if (TestState(stateRecordLeadIn | statePlayLeadIn)) {
        const MCTime leadInEnd = m_startPosition + m_leadInTime;
        bool over = false;
        if (m_windowBegin >= leadInEnd) {
            over = true;
        } else if (m_windowEnd > leadInEnd) {
            MCTime until = leadInEnd;
            AbsoluteTime(until);
            GatherEvents(until, finishing, playerDone, metronomeDone);
            over = true;
        } else {
            GatherEvents(m_rawWindowEnd, finishing, playerDone, metronomeDone);
        }
        if (over) {
            const bool recordLeadIn = TestState(stateRecordLeadIn);
            const bool playLeadIn = TestState(statePlayLeadIn);
            ClearState(stateRecordLeadIn | statePlayLeadIn);
            if (recordLeadIn)
                AddState(stateRecording);
            if (playLeadIn)
                AddState(statePlaying);
            MCTime reference = leadInEnd;
            AbsoluteTime(reference);
            m_absoluteReference = reference;
            m_normalizedReference = m_location;
            m_windowBegin = m_location;
            m_windowEnd = m_rawWindowEnd;
            NormalizeTime(m_windowEnd);
            m_metronome.PrepareToPlay();
        }
    }
    if (!TestState(stateRecordLeadIn | statePlayLeadIn)) {
        m_location = m_windowBegin;
        GatherEvents(m_rawWindowEnd, finishing, playerDone, metronomeDone);
    }

    if (finishing && playerDone && metronomeDone) {
        if (TestState(stateStopping) || atEnd || flowEnded) {
            ClearPlayState();
            AddState(stateStopped);
        } else if (TestState(statePausing)) {
            ClearPlayState();
            AddState(statePaused);
        }
        PerformanceIsStopped();
        ForgetRegistration(code);
        return 0;
    }
    // The next slice goes on from where this one ended, even when an edit changes the tempo
    // map in between: the timeline is anchored at the slice's end.
    if (!TestState(stateRecordLeadIn | statePlayLeadIn)) {
        m_absoluteReference = m_rawWindowEnd;
        m_normalizedReference = m_windowEnd;
    }
    return 1;
}

ECTempoEnv* CSequence::TempoMap() const
{
    ECConductorStaff* staff = m_conductor ? m_conductor->GetConductorStaff() : nullptr;
    return staff ? staff->GetTempoEnv() : nullptr;
}

float CSequence::TempoAt(const MCTime& time)
{
    ECTempoEnv* tempo = TempoMap();
    if (!tempo)
        return 0.0f;
    float value = 0.0f;
    tempo->GetValue(time, value, 0);
    return value;
}

void CSequence::InitTimingFactors()
{
    Locked locked(*this);
    if (m_location < MCTime(0.0f))
        m_location = MCTime(0.0f);
    const float tempo = TempoAt(m_location);
    if (tempo > 0.0f)
        m_scoreSpeed = tempo / 60.0f;
    m_speedFactor = m_userSpeed * m_scoreSpeed;
    m_actualSpeed = TestState(stateFastForward) ? m_fastSpeed.load() : m_speedFactor.load();
    const CWavegate* manager = wavegate();
    m_absoluteReference = timeOf(0.0f, MCTime::absolute);
    m_absoluteReference.SetMSec(manager ? static_cast<long>(manager->GetBufferTime()) : 0);
    m_normalizedReference = timeOf(m_location.GetSeconds(), MCTime::normal);
    m_followMap = TempoMap() && !TestState(stateFastForward);
    m_clockRate = m_userSpeed;
    if (SyncMode() == 1)
        m_startPosition = m_location;
}

void CSequence::AdjustTimingFactors(float scoreSpeed)
{
    Locked locked(*this);
    const CWavegate* manager = wavegate();
    MCTime rebase = timeOf(0.0f, MCTime::absolute);
    rebase.SetMSec(manager ? static_cast<long>(manager->GetBufferTime()) : 0);
    // What is queued from the rebase point on was timed at the old speed: back to musical time
    // on the old timeline, and timed again below on the new one.
    m_player.QueuedToMusical(rebase);
    m_metronome.QueuedToMusical(rebase);
    MCTime position = rebase;
    NormalizeTime(position);
    m_absoluteReference = rebase;
    m_normalizedReference = position;
    m_location = m_normalizedReference;
    if (scoreSpeed <= 0.0f) {
        const float tempo = TempoAt(m_location);
        if (tempo > 0.0f)
            m_scoreSpeed = tempo / 60.0f;
    } else {
        m_scoreSpeed = scoreSpeed;
    }
    m_speedFactor = m_userSpeed * m_scoreSpeed;
    m_actualSpeed = TestState(stateFastForward) ? m_fastSpeed.load() : m_speedFactor.load();
    m_followMap = TempoMap() && !TestState(stateFastForward);
    m_clockRate = m_userSpeed;
    m_player.QueuedToPerformance();
    m_metronome.QueuedToPerformance();
}

void CSequence::HandleSyncTiming(uint32_t clockMs)
{
    Locked locked(*this);
    if (m_sync.haveLastClock) {
        m_sync.intervalSum += static_cast<int>(clockMs - m_sync.lastClockTime);
        if (m_sync.clockCount == 0)
            m_sync.groupStartTime = clockMs;
        ++m_sync.clockCount;
    }
    if (m_sync.clockCount >= 8) {
        // Eight clocks are a third of a quarter note. Clocks with the same time stamp tell
        // no tempo.
        if (m_sync.intervalSum > 0) {
            const float bpm = 20000.0f / static_cast<float>(m_sync.intervalSum);
            const CWavegate* manager = wavegate();
            const bool recordTempo = manager && manager->SlaveTempoRecordingEnabled() && TestState(stateRecording);
            if (!recordTempo) {
                SetUserSpeed(bpm / (m_scoreSpeed * 60.0f));
            } else if (m_sync.intervalSum != m_sync.previousIntervalSum) {
                if (!Option(16) && !Option(17)) {
                    // Before the external transport started, the clock sets the piece's tempo.
                    ECTempo* first = m_conductor ? m_conductor->GetTempoAtTime(MCTime::TimeZero()) : nullptr;
                    if (!first)
                        return;
                    auto* edit = new CCEdit;
                    if (auto* copy = plat::dynamicDowncast<ECTempo>(edit->EditEvent(first)->GetNewEvent()))
                        copy->SetTempo(bpm, 1.0f);
                    ECPerformance* performance = m_performance;
                    Defer([edit, performance] { edit->Apply(performance); });
                    SetUserSpeed(1.0f);
                } else if (ECConductorStaff* staff = m_conductor ? m_conductor->GetConductorStaff() : nullptr) {
                    // A tempo mark where the group of clocks began, in the music.
                    const uint32_t lead = manager->GetPlayStartTime() - manager->GetRecordStartTime();
                    const uint32_t groupStart = m_sync.groupStartTime - std::min(m_sync.groupStartTime, lead);
                    MCTime at = timeOf(0.0f, MCTime::absolute);
                    at.SetMSec(static_cast<long>(groupStart));
                    NormalizeTime(at);
                    auto* tempo = new ECTempo;
                    tempo->SetTempo(bpm, 1.0f);
                    tempo->SetTime(&at);
                    auto* add = new CCAddTempo;
                    add->Add(tempo, staff->GetTempoEnv(), FCMidi::MidiNull());
                    ECPerformance* performance = m_performance;
                    Defer([add, performance] { add->Apply(performance); });
                }
            }
        }
        m_sync.previousIntervalSum = m_sync.intervalSum;
        m_sync.intervalSum = 0;
        m_sync.clockCount = 0;
    }
    m_sync.lastClockTime = clockMs;
    m_sync.haveLastClock = true;
}

void CSequence::UpdateBPMDisplay(const MCTime& time, int force)
{
    if (!force && SCMaster::s_iMessageCount >= 4)
        return;
    Locked locked(*this);
    UpdateBPMDisplay(TempoAt(time) * m_userSpeed, 1);
}

void CSequence::UpdateBPMDisplay(float bpm, int force)
{
    if (!force && SCMaster::s_iMessageCount >= 4)
        return;
    Locked locked(*this);
    if (!force && bpm == m_toldBPM && ++m_untoldRepeats < kBPMRepeatEvery)
        return;
    m_toldBPM = bpm;
    m_untoldRepeats = 0;
    auto* state = new SCMaster(SCMaster::codeTempoDisplay);
    state->SetBPM(bpm);
    ApplyState(state);
}

void CSequence::PerformanceIsStopped()
{
    Locked locked(*this);
    if (m_conductor) {
        const MCTime end = m_conductor->GetMaxMeasureEndTime();
        if (m_location > end)
            m_location = end;
    }
    ApplyState(new SCTime(1900, m_location));
    m_meterLevelMgr.ResetLevels();
    // The device manager deletes the players of a performance that ends, the prepared ones too
    // (a pause ends it as well): the prefetched ones go first, by their owner.
    if (TestState(stateStopped | statePaused))
        m_wavePrefetchMgr.Reset(MCTime::TimeNull());
    if (TestState(stateStopped)) {
        if (!m_stopRequested)
            ApplyState(new SCPerform(SCPerform::codeStop));
        if (AutoRewindEnabled())
            ApplyState(new SCPerform(SCPerform::codeReturn));
        else if (PlayRegionEnabled() && m_location > m_playRegionEnd)
            ApplyState(new SCTime(1901, m_playRegionEnd));
        ApplyState(new SCPerform(SCPerform::codeAtRest));
    }
    if (TestState(stateStopped | statePaused)) {
        m_stopEvent.set();
        if (SyncMode() == 2 && m_liveTag != 0) {
            const int tag = m_liveTag;
            ForgetRegistration(tag);
            Defer([tag] {
                if (CWavegate* manager = wavegate())
                    manager->StopPerformance(tag);
            });
        }
    }
    m_performTag = 0;
}
