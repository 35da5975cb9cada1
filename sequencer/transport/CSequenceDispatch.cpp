#include "sequencer/transport/CSequence.h"

#include "notabase/actions/ACFindEvents.h"
#include "notabase/actions/ACFindFirstEvent.h"
#include "notabase/commands/CCAdd.h"
#include "notabase/commands/CCAddEnvPoint.h"
#include "notabase/commands/CCAddMeter.h"
#include "notabase/commands/CCAddTempo.h"
#include "notabase/commands/CCEdit.h"
#include "notabase/commands/CCRemove.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/model/ECEnvelope.h"
#include "notabase/model/ECMeter.h"
#include "notabase/model/ECMeterEnv.h"
#include "notabase/model/ECPatchEnv.h"
#include "notabase/model/ECProgramChange.h"
#include "notabase/model/ECTempo.h"
#include "notabase/model/ECTempoEnv.h"
#include "notabase/model/EventTypes.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorStaff.h"
#include "notabase/score/ECStaff.h"
#include "notabase/states/SCCommand.h"
#include "notabase/states/SCTime.h"
#include "platform/core/RefPtr.h"
#include "platform/core/UserPrompt.h"
#include "sequencer/commands/CCEditPatch.h"
#include "sequencer/data/DCsqNote.h"
#include "sequencer/data/DCsqStaff.h"
#include "sequencer/data/DCsqTrack.h"
#include "sequencer/data/DCsqWaveTrack.h"
#include "sequencer/envelopes/CMidiEnvelopeMgr.h"
#include "sequencer/prefs/MCSeqPreferences.h"
#include "sequencer/states/SCMaster.h"
#include "sequencer/states/SCPerform.h"
#include "sequencer/states/SCTrack.h"
#include "sequencer/states/SCVoice.h"
#include "sequencer/transport/CSequenceLocked.h"
#include "sequencer/transport/MCFlowControl.h"
#include "sequencer/transport/SequenceSupport.h"

#include <cmath>
#include <unordered_set>

using namespace sequence_support;

namespace {

constexpr const char* kReassignedText =
    "This file was made on a machine with a different device configuration than your present one.  This "
    "necessitated reassigning some tracks to default device settings.";

// Calls visit with the data of every track of the kind, 1 .. the highest number.
template <typename Visit>
void forEachTrackData(ECConductor* conductor, int kind, Visit visit)
{
    if (!conductor)
        return;
    const int last = conductor->GetMaxTrackNumber(kind);
    for (int number = 1; number <= last; ++number) {
        ECTrack* track = conductor->GetTrack(kind, number, 0);
        if (auto* data = track ? plat::dynamicDowncast<DCsqTrack>(track->GetData(0, 0)) : nullptr)
            visit(number, track, *data);
    }
}

}  // namespace

void CSequence::OnUpdate(long code, SCBase* hint)
{
    switch (code) {
    case 500:
        OnCommandFinish(code, dynamic_cast<SCCommand*>(hint));
        break;
    case 1300:
    case 1301:
        OnFileInit();
        break;
    case 1502:
        SetStepRecordValue();
        break;
    case 1600:
        MCSeqPreferences::UpdatePreferences(this);
        break;
    case 1901:
        if (auto* time = dynamic_cast<SCTime*>(hint))
            SetLocation(time->GetTime());
        break;
    case SCPerform::codeStop:
        m_previousPressCount = 0;
        Stop(0);
        break;
    case SCPerform::codePause:
        m_previousPressCount = 0;
        Pause();
        break;
    case SCPerform::codePlay:
        m_previousPressCount = 0;
        Play();
        break;
    case SCPerform::codeStep:
        Step();
        break;
    case SCPerform::codeRecord:
        m_previousPressCount = 0;
        Record();
        break;
    case SCPerform::codeNext:
        m_previousPressCount = 0;
        Next();
        break;
    case SCPerform::codePrevious:
        Previous();
        ++m_previousPressCount;
        break;
    case SCPerform::codeForward:
        m_previousPressCount = 0;
        Forward();
        break;
    case SCPerform::codeReturn: {
        MCTime back;
        bool playing = false;
        {
            Locked locked(*this);
            playing = TestState(statePlaying);
            back = m_startPosition;
        }
        SetLocation(back);
        if (playing)
            ApplyState(new SCPerform(SCPerform::codePlay));
        ++m_previousPressCount;
        break;
    }
    case 3400:
    case 3401:
    case 3402:
    case 3405:
    case 3406:
    case 3407:
    case 3408:
    case 3409:
    case 3410:
    case 3411:
        OnTrackState(code, dynamic_cast<SCTrack*>(hint));
        break;
    case 3500:
    case 3501:
    case 3503:
    case 3504:
        OnMasterState(code, dynamic_cast<SCMaster*>(hint));
        break;
    case 3600:
        if (auto* voice = dynamic_cast<SCVoice*>(hint)) {
            const int value = voice->GetVoice();
            m_currentVoice = (value >= 0 && value < DCsqTrack::voiceCount) ? value : 0;
        }
        break;
    default:
        break;
    }
}

void CSequence::OnTrackState(long code, SCTrack* state)
{
    if (!state)
        return;
    const int op = static_cast<int>(code) - 3400;
    if (op == 5) {
        for (const int track : state->GetMuteList()) {
            if (DCsqTrack* data = DCsqTrack::GetTrackData(static_cast<unsigned>(track), 1, this))
                data->UpdateMuteState(track, 1);
        }
        return;
    }
    const int track = state->GetTrack();
    const int kind = state->GetTrackType();
    DCsqTrack* data = DCsqTrack::GetTrackData(static_cast<unsigned>(track), kind, this);
    if (!data)
        return;
    const auto value = static_cast<float>(state->GetValue());
    const bool wave = kind == 2;
    switch (op) {
    case 0:
        data->UpdateMuteState(track, state->GetValue());
        break;
    case 1:
        data->UpdateSoloState(track, state->GetValue());
        break;
    case 2:
        if (wave) {
            if (state->GetValue())
                m_waveRecorder.AddTrack(data);
            else
                m_waveRecorder.RemoveTrack(data);
        } else if (!TestState(stateRecording)) {
            m_midiRecorder.SelectBaseRecordingTrack(state->GetValue() ? track : 0);
            if (TestState(stateStepRecording))
                m_midiRecorder.PrepareToStepRecord();
        }
        break;
    case 6:
        data->SetTrackGain(value / (wave ? 10000.0f : 100.0f));
        break;
    case 7:
        data->SetTrackPan(value / (wave ? 10000.0f : 64.0f));
        break;
    case 8:
        if (auto* waveData = plat::dynamicDowncast<DCsqWaveTrack>(data); waveData && wave)
            waveData->SetTrackFrequency(value / 10000.0f);
        break;
    case 9:
        if (!wave)
            data->SetTrackChorus(value / 127.0f);
        break;
    case 10:
        if (!wave)
            data->SetTrackReverb(value / 127.0f);
        break;
    case 11:
        if (!wave)
            data->SetTrackModulation(value / 127.0f);
        break;
    default:
        break;
    }
}

void CSequence::OnMasterState(long code, SCMaster* state)
{
    if (!state)
        return;
    if (code == SCMaster::codeVolume)
        SetMasterGain(std::trunc(state->GetBPM()) / 100.0f);
    else if (code == SCMaster::codeSpeed)
        SetUserSpeed(state->GetBPM());
}

void CSequence::SetMasterGain(float gain)
{
    m_masterGain = (std::isnan(gain) || gain < 0.0f) ? 0.0f : gain;
    for (const int kind : {ECConductor::staffTrack, ECConductor::waveTrack})
        forEachTrackData(m_conductor, kind, [](int, ECTrack*, DCsqTrack& data) { data.SetTrackGain(data.GetTrackGain()); });
}

void CSequence::CheckList(MCEventList& changed, MCEventList& envelopes, int& content, int& flow, int& wave, int& timing,
                          int& envelope)
{
    for (ECBase* element : changed) {
        switch (element->GetEventId()) {
        case EventId::Chord:
        case EventId::GraceNote:
        case EventId::Note:
        case EventId::Tuplet:
            content = 1;
            break;
        case EventId::FlowControl:
            flow = 1;
            break;
        case EventId::Wave:
        case EventId::WaveTrack:
            wave = 1;
            break;
        case EventId::Measure:
        case EventId::Meter:
        case EventId::Tempo:
            timing = 1;
            break;
        case EventId::ChannelPressure:
        case EventId::ControlChange:
        case EventId::Dynamic:
        case EventId::NRPNPoint:
        case EventId::Pan:
        case EventId::Pedal:
        case EventId::PitchBend:
        case EventId::PolyPressure:
        case EventId::ProgramChange:
        case EventId::RPNPoint: {
            envelope = 1;
            MCEventList* parents = element->GetParents();
            if (parents && parents->GetCount() > 0)
                envelopes.AddTail(*parents->begin());
            break;
        }
        default:
            break;
        }
    }
}

void CSequence::OnCommandFinish(long /*code*/, SCCommand* state)
{
    if (!state)
        return;
    MCEventList changed;
    MCEventList envelopes;
    int content = 0;
    int flow = 0;
    int wave = 0;
    int timing = 0;
    int envelope = 0;
    bool checkEmptyStaves = false;
    auto anyNote = [&changed] {
        for (ECBase* element : changed) {
            if (element->GetEventId() == EventId::Note)
                return true;
        }
        return false;
    };
    for (CCBase* command : state->GetCommands()) {
        const int id = command->GetCommandId();
        switch (id) {
        case CommandIds::CCAdd:
        case CommandIds::CCAddTrack:
        case CommandIds::CCAddTuplet:
        case CommandIds::CCCopyTracks:
        case CommandIds::CCAddMeasure:
        case CommandIds::CCAddMeter:
        case CommandIds::CCAddTempo:
            if (auto* add = plat::dynamicDowncast<CCAdd>(command))
                add->GetAddEvents(changed);
            timing |= (id == CommandIds::CCAddMeasure || id == CommandIds::CCAddMeter || id == CommandIds::CCAddTempo);
            break;
        case CommandIds::CCEdit:
        case CommandIds::CCEditData:
        case CommandIds::CCEditDuration:
        case CommandIds::CCEditTime:
            if (auto* edit = plat::dynamicDowncast<CCEdit>(command))
                edit->GetEditEvents(changed);
            break;
        case CommandIds::CCEditPatch:
            // Its patch points join the edited elements: their envelopes start afresh, and
            // while the transport rests the patch now in force is heard at once.
            if (auto* patch = plat::dynamicDowncast<CCEditPatch>(command))
                patch->GetEditEvents(changed);
            break;
        case CommandIds::CCRemove:
        case CommandIds::CCRemoveTrack:
        case CommandIds::CCRemoveMeasure:
        case CommandIds::CCRemoveMeter:
            if (auto* remove = plat::dynamicDowncast<CCRemove>(command))
                remove->GetRemoveEvents(changed);
            timing = 1;
            if ((id == CommandIds::CCRemove || id == CommandIds::CCRemoveTrack) && anyNote())
                checkEmptyStaves = true;
            break;
        default:
            break;
        }
    }
    CheckList(changed, envelopes, content, flow, wave, timing, envelope);
    ECConductorStaff* staff = m_conductor ? m_conductor->GetConductorStaff() : nullptr;
    // A tempo map leaves its clock times to be worked out after its marks change (an envelope
    // point command among them): they are worked out here, under the lock, and not by the
    // driver thread's next reading.
    if (staff && staff->GetTempoEnv()->ClockTimesDue())
        timing = 1;
    if (timing && staff) {
        // The callback reads the maps on the driver thread.
        Locked locked(*this);
        staff->GetMeterEnv()->RecalculateBPTTimes();
        staff->GetTempoEnv()->RecalculateClockTimes();
        GetLeadInTime();
    }
    if (flow) {
        // The callback follows the marks' targets on the driver thread.
        Locked locked(*this);
        MCFlowControl().Coordinate(this);
    }
    // The prefetcher looks ahead through the marks and the wave tracks on the driver thread:
    // it must see those added, and let go of those taken out before they are freed.
    if (flow)
        m_wavePrefetchMgr.UpdateFlowControl();
    if (wave)
        m_wavePrefetchMgr.UpdateWaveTrack();
    if ((flow || wave) && TestState(stateStopped)) {
        const MCTime at = GetLocation();
        m_wavePrefetchMgr.Reset(at);
        m_wavePrefetchMgr.DoPrefetch(at, 1);
    }
    if (content || flow || wave || timing)
        GetLastNoteTime();
    if (m_conductor) {
        // An edit that shortened the piece past the resting location (bars removed, added ones
        // undone, shorter meters) brings it back to the new end, as a locate does; a running
        // transport ends there by itself.
        Locked locked(*this);
        const MCTime end = m_conductor->GetMaxMeasureEndTime();
        if (!isNull(m_location) && m_location > end && TestState(stateStopped | statePaused) &&
            TestState(stateRecordStopped))
            SetLocation(end);
    }
    if (checkEmptyStaves && m_conductor) {
        const int last = m_conductor->GetMaxTrackNumber(ECConductor::staffTrack);
        for (int number = 1; number <= last; ++number) {
            auto* midiStaff = plat::dynamicDowncast<ECStaff>(m_conductor->GetTrack(ECConductor::staffTrack, number, 0));
            if (!midiStaff)
                continue;
            ACFindFirstEvent find;
            find.AddEvtType(EventId::Note);
            find.Apply(midiStaff);
            if (!find.GetEvent())
                midiStaff->SetStaffEmpty(1);
        }
    }
    if (envelope) {
        for (ECBase* element : envelopes) {
            if (auto* changedEnvelope = plat::dynamicDowncast<ECEnvelope>(element))
                changedEnvelope->Reset();
        }
        Locked locked(*this);
        // Heard at once while the transport rests; a play sends the change in its slices.
        if (!TestState(statePlaying))
            DeferPlayBuffer(m_player.GetOutputState(isNull(m_location) ? MCTime(0.0f) : m_location));
    }
}

void CSequence::OnFileInit()
{
    if (!m_conductor || !m_performance)
        return;
    {
        Locked locked(*this);
        m_recordPosition = m_head;
        m_playPosition = m_head;
    }
    // Every track's data, linked to this sequence.
    {
        ACFindEvents find;
        for (const int id : {EventId::Track, EventId::Staff, EventId::ConductorStaff, EventId::WaveTrack})
            find.AddEvtType(id);
        find.Apply(m_conductor);
        for (ECBase* track : find.GetEvents()) {
            if (auto* data = plat::dynamicDowncast<DCsqTrack>(track->GetData(0, 1)))
                data->SetSequence(this);
        }
    }
    // A meter and a tempo at the start.
    ECConductorStaff* staff = m_conductor->GetConductorStaff();
    if (staff && !m_conductor->GetMeterAtTime(MCTime::TimeZero())) {
        auto* meter = new ECMeter;
        meter->SetTime(&MCTime::TimeZero());
        const auto keep = plat::RefPtr<ECMeter>(meter);
        auto* add = new CCAddMeter;
        add->Add(meter, staff->GetMeterEnv(), FCMidi::MidiNull());
        add->SetSynchronous(1);
        add->Apply(m_performance);
    }
    if (staff && !m_conductor->GetTempoAtTime(MCTime::TimeZero())) {
        auto* tempo = new ECTempo;
        tempo->SetTime(&MCTime::TimeZero());
        const auto keep = plat::RefPtr<ECTempo>(tempo);
        auto* add = new CCAddTempo;
        add->Add(tempo, staff->GetTempoEnv(), FCMidi::MidiNull());
        add->SetSynchronous(1);
        add->Apply(m_performance);
    }
    // Each staff's channel from its first note (unless the piece was stored with its voice
    // maps), and a program at the start.
    const int staves = m_conductor->GetMaxTrackNumber(ECConductor::staffTrack);
    for (int number = 1; number <= staves; ++number) {
        auto* midiStaff = plat::dynamicDowncast<ECStaff>(m_conductor->GetTrack(ECConductor::staffTrack, number, 0));
        auto* data = midiStaff ? plat::dynamicDowncast<DCsqStaff>(midiStaff->GetData(0, 0)) : nullptr;
        if (!data)
            continue;
        if (!Option(11)) {
            ACFindFirstEvent find;
            find.AddEvtType(EventId::Note);
            find.Apply(midiStaff);
            unsigned channel = 0;
            auto* note = find.GetEvent() ? plat::dynamicDowncast<DCsqNote>(find.GetEvent()->GetData(0, 0)) : nullptr;
            if (note)
                channel = note->GetNoteOnData().GetStatusLSB();
            midiStaff->SetStaffEmpty(find.GetEvent() ? 0 : 1);
            for (int voice = 0; voice < DCsqTrack::voiceCount; ++voice)
                data->GetVoiceMap(voice)->SetChannel(channel);
        }
        CMidiEnvelopeMgr* manager = data->GetMidiEnvelopeMgr(0, 1);
        ECPatchEnv* patches = manager ? manager->GetPatchEnv(1) : nullptr;
        if (!patches)
            return;
        if (!patches->GetPointAfterEqual(MCTime::TimeZero())) {
            auto* program = new ECProgramChange;
            program->SetTime(&MCTime::TimeZero());
            program->SetValue(0.0f);
            program->SetVoice(0);
            program->SetTrack(patches->GetVoiceTrack() ? patches->GetVoiceTrack()->GetTrack() : number);
            const auto keep = plat::RefPtr<ECProgramChange>(program);
            auto* add = new CCAddEnvPoint;
            add->Add(program, patches, FCMidi::MidiNull());
            add->SetSynchronous(1);
            add->Apply(m_performance);
        }
    }
    // Voices on devices this machine does not have go to the default device.
    bool reassigned = false;
    if (CWavegate* manager = wavegate()) {
        for (const int kind : {ECConductor::staffTrack, ECConductor::waveTrack}) {
            const int devices = manager->GetDeviceCount(kind == ECConductor::staffTrack ? CWavegate::WG_MIDI : CWavegate::WG_WAVE,
                                                        CWavegate::WG_OUT);
            const int fallback = kind == ECConductor::staffTrack ? m_outputMidiDevice : m_outputWaveDevice;
            forEachTrackData(m_conductor, kind, [&](int, ECTrack*, DCsqTrack& data) {
                for (int voice = 0; voice < DCsqTrack::voiceCount; ++voice) {
                    MCVoiceMap* map = data.GetVoiceMap(voice);
                    if (map && static_cast<int>(map->GetDevice()) >= devices) {
                        map->SetDevice(static_cast<unsigned>(fallback));
                        reassigned = true;
                    }
                }
            });
        }
    }
    if (reassigned && LoadIntPreference("Sequencer\\Midi\\Play", "Play Default Device", 1) == 0) {
        plat::UserPrompt::Message message;
        message.text = kReassignedText;
        message.buttons = plat::UserPrompt::Buttons::ok;
        plat::UserPrompt::ask(message);
    }
    // The data list: a node linked to itself, a cycle or a walk that misses the tail means the
    // list is rebuilt from the elements.
    {
        Locked locked(*this);
        std::unordered_set<const DCsqBase*> seen;
        const DCsqBase* last = nullptr;
        bool sound = true;
        for (const DCsqBase* node = m_head; node; node = node->GetNext()) {
            if (node->GetNext() == node || node->GetPrev() == node || !seen.insert(node).second) {
                sound = false;
                break;
            }
            last = node;
        }
        if (!sound || last != m_tail)
            CheckDataIntegrity();
    }
    SetLoopPoints(0);
    {
        Locked locked(*this);
        MCFlowControl().Coordinate(this);
    }
    // A new or opened piece brings its own marks and wave tracks.
    m_wavePrefetchMgr.UpdateFlowControl();
    m_wavePrefetchMgr.UpdateWaveTrack();
    SetLocation(MCTime(0.0f));
    for (const int kind : {ECConductor::staffTrack, ECConductor::waveTrack}) {
        forEachTrackData(m_conductor, kind, [](int, ECTrack*, DCsqTrack& data) {
            data.SetTrackGain(data.GetTrackGain());
            data.SetTrackPan(data.GetTrackPan());
            data.SetTrackChorus(data.GetTrackChorus());
            data.SetTrackReverb(data.GetTrackReverb());
            data.SetTrackModulation(data.GetTrackModulation());
            data.SetTrackExpression();
        });
    }
    m_meterLevelMgr.UpdateTrackCount();
    EnableRecordLeadIn(RecordLeadInEnabled());
    GetLastNoteTime();
}
