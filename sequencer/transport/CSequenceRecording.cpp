#include "sequencer/transport/CSequence.h"

#include "notabase/prefs/Preferences.h"
#include "platform/core/Trace.h"
#include "sequencer/transport/CSequenceLocked.h"
#include "sequencer/transport/SequenceSupport.h"
#include "wavegate/CWavegate.h"

using namespace sequence_support;

void CSequence::Record()
{
    MCTime locate;
    bool needLocate = false;
    {
        Locked locked(*this);
        if (SyncMode() == 1)
            SetSyncLeadIn();
        if (m_recordLoopCount == 0) {
            if (TestState(stateRecording | stateStepRecording | stateRecordLeadIn))
                return;
            if (LoopRegionEnabled() && m_location != m_playRegionStart && !TestState(statePaused) && !GetStepMode()) {
                locate = m_playRegionStart;
                needLocate = true;
            }
        }
    }
    if (needLocate)
        ApplyLocate(locate);
    bool startPlay = false;
    {
        Locked locked(*this);
        if (m_recordLoopCount == 0 && TestState(stateRecording | stateStepRecording | stateRecordLeadIn))
            return;
        ClearRecordState();
        if (GetStepMode()) {
            m_midiRecorder.PrepareToStepRecord();
            m_stepTime = m_location;
            SetStepRecordValue();
            AddState(stateStepRecording);
        } else {
            m_waveRecorder.PrepareToRecord();
            m_midiRecorder.PrepareToRecord();
            const bool leadIn = RecordLeadInEnabled() && (m_recordLoopCount < 1 || LoopRecordLeadInEnabled());
            if (leadIn)
                GetLeadInTime();
            AddState(leadIn ? stateRecordLeadIn : stateRecording);
            if (!TestState(statePlaying)) {
                if (m_performance)
                    m_performance->SetCommandRate(static_cast<unsigned int>(LoadIntPreference("Settings", "CommandRate", 100)));
                startPlay = true;
            }
        }
    }
    if (startPlay)
        Play();
    Locked locked(*this);
    if (m_recordLoopCount == 0 && m_recordTag == 0 && wavegate()) {
        Defer([this] {
            if (CWavegate* manager = wavegate()) {
                m_recordTag = manager->StartRecording(&CSequence::RecordProc, reinterpret_cast<uintptr_t>(this), 1);
            }
        });
    }
}

int CSequence::RecordProc(uintptr_t user, int tag, CWGEventData* event)
{
    auto* sequence = reinterpret_cast<CSequence*>(user);
    return sequence ? sequence->RecordProc(tag, event) : 0;
}

int CSequence::RecordProc(int tag, CWGEventData* event)
{
    if (!event || tag != m_recordTag)
        return 0;
    switch (event->type) {
    case CWGEventData::WG_EVENT_MIDI:
        m_midiRecorder.RecordMidiChannelMessage(event->device, static_cast<uint32_t>(event->data), event->time);
        break;
    case CWGEventData::WG_EVENT_SYSEX:
        plat::trace("CSeq -- recording sys/ex data\n");
        break;
    case CWGEventData::WG_EVENT_WAVEHEADER:
        m_waveRecorder.RecordWaveData(event->device, event);
        break;
    default:
        break;
    }
    return 1;
}
