#include "sequencer/transport/CSequence.h"

#include "notabase/actions/ACFindTime.h"
#include "notabase/model/ECBase.h"
#include "notabase/model/ECMeter.h"
#include "notabase/model/EventTypes.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorStaff.h"
#include "notabase/states/SCTime.h"
#include "sequencer/data/DCsqBase.h"
#include "sequencer/data/DCsqSysMsg.h"
#include "sequencer/states/SCPerform.h"
#include "sequencer/transport/CSequenceLocked.h"
#include "sequencer/transport/MCFlowControl.h"
#include "sequencer/transport/SequenceSupport.h"
#include "wavegate/CWavegate.h"

#include <algorithm>
#include <cmath>
#include <mutex>

using namespace sequence_support;

// ---- transport

MCTime CSequence::GetLocation()
{
    const std::lock_guard lock(m_lock);
    return m_location;
}

void CSequence::SetSyncLeadIn()
{
    if (GetLeadInTime() >= MCTime(1.0f) || !m_conductor)
        return;
    const ECMeter* meter = m_conductor->GetMeterAtTime(isNull(m_location) ? MCTime::TimeZero() : m_location);
    if (!meter || meter->GetMeasureLength() <= 0.0f)
        return;
    m_leadInMeasures = std::max(1, static_cast<int>(std::ceil(1.0f / meter->GetMeasureLength())));
    EnableRecordLeadIn(1);
}

void CSequence::Play()
{
    MCTime locate;
    bool needLocate = false;
    {
        Locked locked(*this);
        if (GetStepMode()) {
            StepPlay();
            return;
        }
        if (TestState(stateFastForward)) {
            ClearState(stateFastForward);
            AdjustTimingFactors(-1.0f);
        }
        if (TestState(statePlaying))
            return;
        if (SyncMode() == 1)
            SetSyncLeadIn();
        if (!TestState(statePaused) && (PlayRegionEnabled() || LoopRegionEnabled()) && m_location != m_playRegionStart) {
            locate = m_playRegionStart;
            needLocate = true;
        }
    }
    // The document answers the locate with SetLocation, which stops and waits: no lock held.
    if (needLocate)
        ApplyLocate(locate);
    bool prestart = false;
    bool fromTheTop = false;
    bool resume = false;
    {
        Locked locked(*this);
        resume = TestState(statePaused);
        fromTheTop = !resume && m_location == MCTime(0.0f);
        prestart = fromTheTop && AutoSendPrestart();
    }
    if (prestart)
        SendPrestart();
    if (fromTheTop && !needLocate) {
        // A piece with an intro mark starts there.
        MCTime intro;
        bool haveIntro = false;
        {
            Locked locked(*this);
            if (const MCTime* at = MCFlowControl().PerformIntro(this)) {
                intro = *at;
                haveIntro = true;
            }
        }
        if (haveIntro)
            ApplyLocate(intro);
    }
    // A resumed play goes on where it paused: its loop marks stand, and the repeats keep the
    // passes they made.
    if (!resume)
        SetLoopPoints(0);

    Locked locked(*this);
    // A handler of the locate may have started or changed the transport meanwhile.
    if (TestState(statePlaying) || GetStepMode())
        return;
    if (!resume)
        MCFlowControl().Reset(this);
    InitTimingFactors();
    m_stopRequested = 0;
    m_options &= ~(7u << 16);
    ClearPlayState();
    AddState(SyncMode() == 1 ? statePlayLeadIn : statePlaying);
    m_player.PrepareToPlay();
    m_metronome.PrepareToPlay();
    // The first slice sets the timing factors; a slaved play is polled at once instead.
    if (SyncMode() != 2)
        m_rawWindowBegin = MCTime::TimeNull();
    RegisterPerformance();
}

void CSequence::Stop(int wait)
{
    bool waitHere = false;
    {
        Locked locked(*this);
        if (TestState(stateStopped) && TestState(stateRecordStopped)) {
            SetOption(2, 0);
            return;
        }
        if (!TestState(stateRecordStopped)) {
            if (const int tag = m_recordTag.exchange(0)) {
                Defer([tag] {
                    if (CWavegate* manager = wavegate())
                        manager->StopRecording(tag);
                });
            }
            m_stopRequested = 1;
            m_recordLoopCount = 0;
            m_midiRecorder.Stop();
            m_waveRecorder.Stop();
            ClearRecordState();
            AddState(stateRecordStopped);
            if (TestState(stateStopped))
                PerformanceIsStopped();
        }
        if (TestState(statePaused | statePausing)) {
            m_stopRequested = 1;
            m_player.FlushQueues();
            m_metronome.FlushQueues();
            ClearPlayState();
            AddState(stateStopped);
            PerformanceIsStopped();
        }
        if (TestState(stateStepPlaying)) {
            m_stopRequested = 1;
            m_player.PrepareToStop();
            int done = 0;
            CWGEventList& closing = m_player.GetOutputEvents(MCTime::TimeMax(), 1, done);
            for (auto& record : closing)
                record->time = 0;
            DeferPlayBuffer(closing);
            ClearPlayState();
            AddState(stateStopped);
            PerformanceIsStopped();
        }
        if (TestState(statePlaying | statePlayLeadIn)) {
            m_stopRequested = 1;
            // Without a live registration no callback would ever drain the queues.
            if (SyncMode() == 2 || m_liveTag == 0) {
                m_player.FlushQueues();
                m_metronome.FlushQueues();
                ClearPlayState();
                AddState(stateStopped);
                PerformanceIsStopped();
            } else {
                m_player.PrepareToStop();
                m_metronome.PrepareToStop();
                ClearPlayState();
                AddState(stateStopping);
            }
        }
        SetOption(2, 0);
        m_sync = SyncCounters();
        // The callback that would end the wait runs on the thread that called it; a thread
        // still holding the locks from an outer call waits once it lets go of them.
        if (wait && m_callbackThread.load() != std::this_thread::get_id()) {
            if (m_lockDepth > 1)
                Defer([this] { WaitForRest(); });
            else
                waitHere = true;
        }
    }
    if (waitHere)
        WaitForRest();
}

void CSequence::StopAtOnce()
{
    Locked locked(*this);
    if (!TestState(stateRecordStopped)) {
        // The record callback takes neither of the locks this thread may hold.
        if (const int tag = m_recordTag.exchange(0)) {
            Defer([tag] {
                if (CWavegate* manager = wavegate())
                    manager->StopRecording(tag);
            });
        }
        m_stopRequested = 1;
        m_recordLoopCount = 0;
        m_midiRecorder.Stop();
        m_waveRecorder.Stop();
        ClearRecordState();
        AddState(stateRecordStopped);
    }
    if (!TestState(stateStopped)) {
        m_stopRequested = 1;
        if (TestState(statePlaying | statePlayLeadIn | stateStepPlaying))
            m_player.PrepareToStop();
        if (TestState(statePlaying | statePlayLeadIn | stateStepPlaying | stateStopping | statePausing)) {
            int done = 0;
            CWGEventList closing;
            closing.splice(closing.end(), m_player.GetOutputEvents(MCTime::TimeMax(), 1, done));
            // The closing events are short messages: note and pedal offs.
            if (CWavegate* manager = wavegate()) {
                for (const auto& record : closing) {
                    if (record && record->type == CWGEventData::WG_EVENT_MIDI)
                        manager->SendMidiMsg(record->device, static_cast<uint32_t>(record->data), 0);
                }
            }
        }
        m_player.FlushQueues();
        m_metronome.FlushQueues();
        ClearPlayState();
        AddState(stateStopped);
        // The callback answers 0 at its next slice; a registration that is never polled again
        // stays listed, to be removed when the sequence leaves the device manager.
        m_liveTag = 0;
        PerformanceIsStopped();
    }
    SetOption(2, 0);
    m_sync = SyncCounters();
}

void CSequence::Pause()
{
    bool resumePlay = false;
    bool resumeRecord = false;
    {
        Locked locked(*this);
        if (TestState(statePlaying | stateRecording)) {
            if (TestState(stateRecording)) {
                if (const int tag = m_recordTag.exchange(0)) {
                    Defer([tag] {
                        if (CWavegate* manager = wavegate())
                            manager->StopRecording(tag);
                    });
                }
                m_midiRecorder.Pause();
                m_waveRecorder.Pause();
                ClearRecordState();
                AddState(stateRecordPaused);
            }
            if (TestState(statePlaying)) {
                m_player.PrepareToPause();
                m_metronome.PrepareToPause();
                ClearPlayState();
                if (m_liveTag != 0) {
                    AddState(statePausing);
                } else {
                    AddState(statePaused);
                    PerformanceIsStopped();
                }
            }
        } else {
            resumePlay = TestState(statePaused);
            resumeRecord = TestState(stateRecordPaused);
        }
    }
    if (resumePlay)
        Play();
    if (resumeRecord)
        Record();
}

void CSequence::Step()
{
    if (TestState(stateStepRecording))
        m_midiRecorder.StepRecordRest();
    else if (TestState(stateStepPlaying))
        Play();
    else if (!TestState(statePlaying) && !TestState(stateRecording))
        m_options ^= 1u << 2;
}

void CSequence::Forward()
{
    bool startPlay = false;
    {
        Locked locked(*this);
        if (TestState(stateRecording)) {
            // Leaving the recording also leaves the media layer, as a stop does.
            if (const int tag = m_recordTag.exchange(0)) {
                Defer([tag] {
                    if (CWavegate* manager = wavegate())
                        manager->StopRecording(tag);
                });
            }
            m_recordLoopCount = 0;
            m_midiRecorder.Stop();
            m_waveRecorder.Stop();
            ClearRecordState();
            AddState(stateRecordStopped);
        }
        if (TestState(stateFastForward)) {
            ClearState(stateFastForward);
            AdjustTimingFactors(-1.0f);
            return;
        }
        startPlay = TestState(stateStopped);
    }
    if (startPlay)
        Play();
    Locked locked(*this);
    if (TestState(statePlaying) && !TestState(stateFastForward)) {
        AddState(stateFastForward);
        AdjustTimingFactors(-1.0f);
    }
}

void CSequence::SetLocation(const MCTime& time)
{
    MCTime target = time;
    bool wasPlaying = false;
    bool wasFast = false;
    bool stopFirst = false;
    {
        Locked locked(*this);
        NormalizeTime(target);
        if (target == m_location && !isNull(m_location))
            return;
        if (!TestState(stateRecording)) {
            wasPlaying = TestState(statePlaying);
            wasFast = TestState(stateFastForward);
        }
        stopFirst = !TestState(stateStepRecording | stateStepPlaying);
    }
    if (stopFirst)
        Stop(1);
    {
        Locked locked(*this);
        if (target < MCTime(0.0f))
            target = 0.0f;
        if (m_conductor) {
            const MCTime end = m_conductor->GetMaxMeasureEndTime();
            if (target > end)
                target = end;
        }
        m_startPosition = timeOf(target.GetSeconds(), MCTime::normal);
        m_location = m_startPosition;
        DCsqBase* position = m_head;
        while (position) {
            ECBase* owner = position->GetOwner();
            const bool flow = owner && owner->GetEventId() == EventId::FlowControl;
            if (!flow && dataTime(position) >= m_location)
                break;
            position = position->GetNext();
        }
        m_playPosition = position;
        if (!TestState(stateMidiWriting)) {
            m_stepTime = m_location;
            m_recordPosition = m_playPosition ? m_playPosition : m_tail;
            DeferPlayBuffer(m_player.GetOutputState(m_location));
            UpdateBPMDisplay(m_location, 1);
            ApplyState(new SCTime(1900, m_location));
            // A live registration keeps the tag it answers for.
            if (m_liveTag == 0) {
                CWavegate* manager = wavegate();
                m_performTag = manager ? manager->GetUniqueTag() : 0;
            }
            m_wavePrefetchMgr.DoPrefetch(m_location, 1);
        }
    }
    if (wasPlaying)
        ApplyState(new SCPerform(SCPerform::codePlay));
    if (wasFast)
        ApplyState(new SCPerform(SCPerform::codeForward));
}

void CSequence::SendPrestart()
{
    // The pre-start sequence: the system-exclusive messages placed before time zero, in order.
    std::vector<FCMidiSysEx> messages;
    {
        Locked locked(*this);
        ECConductorStaff* staff = m_conductor ? m_conductor->GetConductorStaff() : nullptr;
        if (!staff)
            return;
        ACFindTime find(MCTime::TimeNull(), MCTime::TimeZero(), ACFindTime::openEnd);
        find.AddEvtType(EventId::SystemMessage);
        find.Apply(staff);
        for (ECBase* element : find.GetEvents()) {
            const auto* data = plat::dynamicDowncast<DCsqSysMsg>(element->GetData(0, 0));
            if (data && data->GetSysExData().HasData())
                messages.push_back(data->GetSysExData());
        }
    }
    CWavegate* manager = wavegate();
    if (!manager)
        return;
    // Sent at once rather than queued: each queued message would go to the head of the output
    // list, ahead of the one before it. The pause lets a device finish one before the next.
    const int devices = manager->GetDeviceCount(CWavegate::WG_MIDI, CWavegate::WG_OUT);
    for (size_t i = 0; i < messages.size(); ++i) {
        if (i > 0) {
            plat::Event pause(true, false);
            pause.waitServing(kPrestartPauseMs);
        }
        for (int device = 0; device < devices; ++device)
            manager->SendSysExMsg(device, messages[i].GetSysExBuf(), static_cast<int>(messages[i].GetSysExBufLength()), 0);
    }
}
