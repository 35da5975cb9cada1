#include "sequencer/transport/CSequence.h"

#include "notabase/actions/ACFindData.h"
#include "notabase/actions/ACFindEvents.h"
#include "notabase/actions/ACFindTime.h"
#include "notabase/commands/CCAdd.h"
#include "notabase/commands/CCAddItem.h"
#include "notabase/commands/CCAddKey.h"
#include "notabase/commands/CCAddMeter.h"
#include "notabase/commands/CCAddTempo.h"
#include "notabase/commands/CCAddTrack.h"
#include "notabase/commands/CCEdit.h"
#include "notabase/commands/CCEditData.h"
#include "notabase/commands/CCEditDurItem.h"
#include "notabase/commands/CCEditDuration.h"
#include "notabase/commands/CCEditGraph.h"
#include "notabase/commands/CCEditGraphItem.h"
#include "notabase/commands/CCEditTime.h"
#include "notabase/commands/CCKeyInfo.h"
#include "notabase/commands/CCMeterInfo.h"
#include "notabase/commands/CCRemove.h"
#include "notabase/commands/CCRemoveItem.h"
#include "notabase/commands/CCRemoveKey.h"
#include "notabase/commands/CCRemoveMeter.h"
#include "notabase/commands/CCRemoveTrack.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/model/ECBase.h"
#include "notabase/model/ECEnvPoint.h"
#include "notabase/model/ECEnvelope.h"
#include "notabase/model/ECMeter.h"
#include "notabase/model/ECMeterEnv.h"
#include "notabase/model/ECTempo.h"
#include "notabase/model/ECTempoEnv.h"
#include "notabase/model/EventTypes.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorStaff.h"
#include "notabase/score/ECStaff.h"
#include "notabase/states/SCTime.h"
#include "platform/core/Trace.h"
#include "sequencer/data/DCsqBase.h"
#include "sequencer/data/DCsqStaff.h"
#include "sequencer/data/DCsqSysMsg.h"
#include "sequencer/data/DCsqTrack.h"
#include "sequencer/envelopes/CMidiEnvelopeMgr.h"
#include "sequencer/layers/LCsqPreferences.h"
#include "sequencer/prefs/MCSeqPreferences.h"
#include "sequencer/states/SCMaster.h"
#include "sequencer/states/SCPerform.h"
#include "wavegate/CWavegate.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <utility>

PLAT_IMPLEMENT_DYNAMIC(CSequence, plat::Object)

LCsqPreferences CSequence::s_PrefsInFilter;
LCsqPreferences CSequence::s_PrefsOutFilter;

namespace {

constexpr const char* kMidiSaveSection = "Sequencer\\Midi\\Save";

CWavegate* wavegate()
{
    return CWavegate::GetWavegate();
}

float clampSpeed(float speed)
{
    return (std::isnan(speed) || speed <= 0.0f) ? 0.1f : speed;
}

bool isNull(const MCTime& time)
{
    return time.GetMode() != MCTime::barPulseTick && time.GetSeconds() == MCTime::TimeNull().GetSeconds();
}

// A time of the given mode and value.
MCTime timeOf(float value, unsigned char mode)
{
    MCTime time(value);
    time.SetMode(mode);
    return time;
}

// The time of a data's element; the null time when it has none.
MCTime dataTime(const DCsqBase* data)
{
    ECBase* owner = data ? data->GetOwner() : nullptr;
    const MCTime* time = owner ? owner->GetTime() : nullptr;
    return time ? *time : MCTime::TimeNull();
}

}  // namespace

class CSequence::Locked {
public:
    explicit Locked(CSequence& sequence) : m_sequence(sequence), m_performance(sequence.m_performance)
    {
        if (m_performance)
            m_performance->Lock();
        m_sequence.m_lock.lock();
        ++m_sequence.m_lockDepth;
    }
    ~Locked()
    {
        std::vector<std::function<void()>> work;
        CWGEventList outgoing;
        if (--m_sequence.m_lockDepth == 0) {
            work.swap(m_sequence.m_deferred);
            outgoing.splice(outgoing.end(), m_sequence.m_outgoing);
        }
        m_sequence.m_lock.unlock();
        if (m_performance)
            m_performance->Unlock();
        if (!outgoing.empty()) {
            if (CWavegate* manager = wavegate())
                manager->PlayBuffer(outgoing);
        }
        for (auto& item : work)
            item();
    }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

private:
    CSequence& m_sequence;
    ECPerformance* m_performance;
};

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

// ---- construction and attachment

CSequence::CSequence() = default;

CSequence::~CSequence()
{
    Stop(1);
    Detach();
}

void CSequence::Attach(ECPerformance* performance)
{
    if (performance) {
        // One registration however often the sequence is attached, and none left with a
        // performance it leaves.
        if (m_performance && m_performance != performance)
            m_performance->RemoveCommandHandler(&CSequence::OnCommand, this);
        performance->RemoveCommandHandler(&CSequence::OnCommand, this);
        m_performance = performance;
        m_conductor = performance->GetConductor();
        performance->AddCommandHandler(&CSequence::OnCommand, this);
        // Track data reaches the sequence for mute, solo and mixer changes; made here, with no
        // lock held, since a missing conductor staff is made by a command.
        DCsqTrack::AttachTracks(this);
        // So are missing tempo and meter maps: the callback reads them on the driver thread,
        // where no command may run.
        if (ECConductorStaff* staff = m_conductor ? m_conductor->GetConductorStaff() : nullptr) {
            staff->GetTempoEnv();
            staff->GetMeterEnv();
        }
    }
    m_player.Attach(this);
    m_metronome.Attach(this);
    m_midiRecorder.Attach(this);
    m_waveRecorder.Attach(this);
    m_midiScoreMgr.Attach(this);
    m_meterLevelMgr.Attach(this);
    m_highlightMgr.Attach(this);
    m_waveScoreMgr.Attach(this);
    m_wavePrefetchMgr.Attach(this);
    MCSeqPreferences::UpdatePreferences(this);
}

void CSequence::Detach()
{
    // The media layer must not call a sequence that has no piece to play, nor the performance
    // a sequence that has gone.
    LeaveWavegate();
    if (m_performance)
        m_performance->RemoveCommandHandler(&CSequence::OnCommand, this);
    DCsqTrack::DetachTracks(this);
    Locked locked(*this);
    m_player.Detach();
    m_metronome.Detach();
    m_midiRecorder.Detach();
    m_waveRecorder.Detach();
    m_midiScoreMgr.Detach();
    m_meterLevelMgr.Detach();
    m_highlightMgr.Detach();
    m_waveScoreMgr.Detach();
    m_wavePrefetchMgr.Detach();
    m_pendingRemovals.RemoveAll();
    m_performance = nullptr;
    m_conductor = nullptr;
    m_head = nullptr;
    m_tail = nullptr;
    m_recordPosition = nullptr;
    m_playPosition = nullptr;
    SetOption(11, 0);
}

// ---- the device manager

void CSequence::Defer(std::function<void()> work)
{
    m_deferred.push_back(std::move(work));
}

void CSequence::DeferPlayBuffer(CWGEventList& list)
{
    m_outgoing.splice(m_outgoing.end(), list);
}

void CSequence::RegisterPerformance()
{
    // A registration still draining under the current tag carries on with the new play.
    if (m_liveTag != 0 && m_liveTag == m_performTag)
        return;
    CWavegate* manager = wavegate();
    if (!manager)
        return;
    if (m_performTag == 0)
        m_performTag = manager->GetUniqueTag();
    const int tag = m_performTag;
    m_liveTag = tag;
    m_registeredTags.push_back(tag);
    Defer([this, tag] {
        if (CWavegate* wg = wavegate()) {
            wg->StartPerformance(&CSequence::PerformProc, reinterpret_cast<uintptr_t>(this), 1, tag);
            wg->QueueSlavedPerformance();
        }
    });
}

void CSequence::ForgetRegistration(int tag)
{
    std::erase(m_registeredTags, tag);
    if (m_liveTag == tag)
        m_liveTag = 0;
}

void CSequence::LeaveWavegate()
{
    std::vector<int> tags;
    int recordTag = 0;
    {
        Locked locked(*this);
        tags.swap(m_registeredTags);
        m_liveTag = 0;
        recordTag = m_recordTag.exchange(0);
    }
    CWavegate* manager = wavegate();
    if (!manager)
        return;
    for (const int tag : tags)
        manager->StopPerformance(tag);
    if (recordTag != 0)
        manager->StopRecording(recordTag);
    // A callback that has just given up its registration may still be returning: the device
    // manager holds its main lock until then.
    const std::lock_guard barrier(manager->GetMainLock());
}

void CSequence::WaitForRest()
{
    m_stopEvent.waitServing(kStopWaitMs);
}

void CSequence::ApplyState(SCBase* state)
{
    state->Apply(m_performance);
}

void CSequence::ApplyLocate(const MCTime& time)
{
    auto* locate = new SCTime(1901, time);
    locate->SetSynchronous(1);
    ApplyState(locate);
}

// ---- filters

void CSequence::AddInputFilter(LCBase* filter)
{
    if (!filter)
        return;
    Locked locked(*this);
    m_inputFilters.push_back(filter);
}

void CSequence::AddOutputFilter(LCBase* filter)
{
    if (!filter)
        return;
    Locked locked(*this);
    m_outputFilters.push_back(filter);
}

void CSequence::RemoveFilter(std::vector<LCBase*>& list, LCBase* filter)
{
    if (!filter)
        return;
    Locked locked(*this);
    if (const auto it = std::find(list.begin(), list.end(), filter); it != list.end())
        list.erase(it);
}

void CSequence::RemoveInputFilter(LCBase* filter)
{
    RemoveFilter(m_inputFilters, filter);
}

void CSequence::RemoveOutputFilter(LCBase* filter)
{
    RemoveFilter(m_outputFilters, filter);
}

LCBase* CSequence::GetFilter(std::vector<LCBase*>& list, int type)
{
    Locked locked(*this);
    for (LCBase* filter : list) {
        const auto* playback = plat::dynamicDowncast<LCsqBase>(filter);
        if (playback && playback->GetClassType() == type)
            return filter;
    }
    return nullptr;
}

LCBase* CSequence::GetInputFilter(int type)
{
    return type == FilterPreferences ? &s_PrefsInFilter : GetFilter(m_inputFilters, type);
}

LCBase* CSequence::GetOutputFilter(int type)
{
    return type == FilterPreferences ? &s_PrefsOutFilter : GetFilter(m_outputFilters, type);
}

void CSequence::GetFilterList(std::vector<LCBase*>& list, unsigned long mask)
{
    Locked locked(*this);
    if (mask & 0x4)
        list.insert(list.end(), m_inputFilters.begin(), m_inputFilters.end());
    if (mask & 0x8)
        list.insert(list.end(), m_outputFilters.begin(), m_outputFilters.end());
    if (mask & 0x10)
        list.push_back(&s_PrefsInFilter);
    if (mask & 0x20)
        list.push_back(&s_PrefsOutFilter);
}

// ---- speeds

void CSequence::SetUserSpeed(float speed)
{
    Locked locked(*this);
    m_userSpeed = clampSpeed(speed);
    if (!TestState(stateStopped | statePaused))
        AdjustTimingFactors(-1.0f);
    UpdateBPMDisplay(m_location, 0);
}

void CSequence::SetScoreSpeed(float speed)
{
    Locked locked(*this);
    speed = clampSpeed(speed);
    if (!TestState(stateStopped | statePaused)) {
        AdjustTimingFactors(speed);
    } else {
        m_scoreSpeed = speed;
        m_speedFactor = m_userSpeed * m_scoreSpeed;
        m_actualSpeed = TestState(stateFastForward) ? m_fastSpeed.load() : m_speedFactor.load();
    }
    UpdateBPMDisplay(m_scoreSpeed * 60.0f * m_userSpeed, 0);
}

void CSequence::SetFastSpeed(float speed)
{
    Locked locked(*this);
    m_fastSpeed = clampSpeed(speed);
}

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

void CSequence::SetMidiWriting(int on)
{
    if (!on) {
        ClearState(stateMidiWriting);
        return;
    }
    StopAtOnce();
    SetIgnoreTrackStates(LoadIntPreference(kMidiSaveSection, "Ignore Track State", 1));
    SetIgnoreFilters(LoadIntPreference(kMidiSaveSection, "Ignore Filters", 0));
    SetIgnoreFlowControl(LoadIntPreference(kMidiSaveSection, "Ignore Repeats", 0));
    SetIgnorePrestart(LoadIntPreference(kMidiSaveSection, "Ignore Prestart", 0));
    AddState(stateMidiWriting);
}

// ---- options

int CSequence::SyncMode()
{
    const CWavegate* manager = wavegate();
    return manager ? static_cast<int>(manager->GetSyncMode()) : 0;
}

void CSequence::SetOption(int bit, int on)
{
    if (on & 1)
        m_options |= 1u << bit;
    else
        m_options &= ~(1u << bit);
}

int CSequence::AutoRewindEnabled() const
{
    // Following external clock, the piece goes back to its start until an external start came.
    if (SyncMode() == 2)
        return Option(16) ? 0 : 1;
    return Option(0);
}

int CSequence::AutoSendPrestart() const
{
    return SyncMode() == 2 ? 0 : Option(1);
}

int CSequence::LoopRegionEnabled() const
{
    return (SyncMode() != 0 || TestState(stateStepRecording)) ? 0 : Option(3);
}

void CSequence::EnableLoopRegion(int on)
{
    SetOption(3, on);
    EnablePlayRegion(LoopRegionEnabled());
}

int CSequence::PlayRegionEnabled() const
{
    return SyncMode() == 2 ? 0 : Option(4);
}

void CSequence::EnablePlayRegion(int on)
{
    Locked locked(*this);
    SetOption(4, on);
    AnnounceRegion(1905, 1906, PlayRegionEnabled() || LoopRegionEnabled(), m_playRegionStart, m_playRegionEnd);
}

int CSequence::RecordRegionEnabled() const
{
    return SyncMode() == 2 ? 0 : Option(5);
}

void CSequence::EnableRecordRegion(int on)
{
    Locked locked(*this);
    SetOption(5, on);
    AnnounceRegion(1907, 1908, RecordRegionEnabled() || LoopRegionEnabled(), m_recordRegionStart, m_recordRegionEnd);
}

int CSequence::RecordLeadInEnabled() const
{
    return SyncMode() == 2 ? 0 : Option(7);
}

void CSequence::EnableRecordLeadIn(int on)
{
    Locked locked(*this);
    SetOption(7, on);
    GetLeadInTime();
}

int CSequence::LoopRecordLeadInEnabled() const
{
    return SyncMode() == 2 ? 0 : Option(8);
}

int CSequence::AutoStopEnabled() const
{
    return SyncMode() == 2 ? 0 : Option(19);
}

int CSequence::IgnoreTrack(int track) const
{
    if (!TestState(stateMidiWriting) || m_midiFileTrack == kEveryTrack)
        return 0;
    return track != m_midiFileTrack ? 1 : 0;
}

void CSequence::AddState(uint32_t bits)
{
    m_state |= bits;
    m_stopEvent.reset();
}

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
        // Step play plays one chord at a time; it is not part of this build, so in step mode
        // Play plays nothing.
        if (GetStepMode())
            return;
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
    {
        Locked locked(*this);
        prestart = !TestState(statePaused) && m_location == MCTime(0.0f) && AutoSendPrestart();
    }
    if (prestart)
        SendPrestart();

    Locked locked(*this);
    // A handler of the locate may have started or changed the transport meanwhile.
    if (TestState(statePlaying) || GetStepMode())
        return;
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
        if (tempo > 0.0f)
            SetScoreSpeed(tempo / 60.0f);
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
            m_windowEnd -= m_leadInTime;
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
    return 1;
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

float CSequence::TempoAt(const MCTime& time)
{
    ECConductorStaff* staff = m_conductor ? m_conductor->GetConductorStaff() : nullptr;
    ECTempoEnv* tempo = staff ? staff->GetTempoEnv() : nullptr;
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
    if (SyncMode() == 1)
        m_startPosition = m_location;
}

void CSequence::AdjustTimingFactors(float scoreSpeed)
{
    Locked locked(*this);
    const float oldAbsolute = m_absoluteReference.GetSeconds();
    const float oldNormalized = m_normalizedReference.GetSeconds();
    const CWavegate* manager = wavegate();
    m_absoluteReference = timeOf(0.0f, MCTime::absolute);
    m_absoluteReference.SetMSec(manager ? static_cast<long>(manager->GetBufferTime()) : 0);
    m_normalizedReference =
        timeOf(oldNormalized + (m_absoluteReference.GetSeconds() - oldAbsolute) * m_actualSpeed, MCTime::normal);
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
    if (TestState(stateStopped)) {
        m_wavePrefetchMgr.Reset(MCTime::TimeNull());
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

// ---- time conversions

void CSequence::NormalizeTime(MCTime& time)
{
    Locked locked(*this);
    switch (time.GetMode()) {
    case MCTime::absolute:
        time = timeOf((time.GetSeconds() - m_absoluteReference.GetSeconds()) * m_actualSpeed + m_normalizedReference.GetSeconds(),
                      MCTime::normal);
        break;
    case MCTime::barPulseTick: {
        ECConductorStaff* staff = m_conductor ? m_conductor->GetConductorStaff() : nullptr;
        if (ECMeterEnv* meters = staff ? staff->GetMeterEnv() : nullptr)
            meters->GetNormalizedTime(time);
        break;
    }
    case MCTime::clock: {
        if (isNull(time)) {
            time.SetMode(MCTime::normal);
            break;
        }
        ECConductorStaff* staff = m_conductor ? m_conductor->GetConductorStaff() : nullptr;
        if (ECTempoEnv* tempo = staff ? staff->GetTempoEnv() : nullptr)
            tempo->GetNormalizedTime(time);
        break;
    }
    case MCTime::unwrapped:
        time = timeOf(time.GetSeconds() - m_unwrapOffset.GetSeconds(), MCTime::normal);
        break;
    default:
        break;
    }
}

void CSequence::AbsoluteTime(MCTime& time)
{
    Locked locked(*this);
    if (time.GetMode() == MCTime::barPulseTick)
        NormalizeTime(time);
    if (time.GetMode() != MCTime::normal)
        return;
    time = timeOf((time.GetSeconds() - m_normalizedReference.GetSeconds()) / m_actualSpeed + m_absoluteReference.GetSeconds(),
                  MCTime::absolute);
}

MCTime& CSequence::GetLastNoteTime()
{
    Locked locked(*this);
    float last = 0.0f;
    for (DCsqBase* data = m_head; data; data = data->GetNext()) {
        ECBase* owner = data->GetOwner();
        const MCTime* time = owner ? owner->GetTime() : nullptr;
        if (!time)
            continue;
        const MCTime* duration = owner->GetDuration();
        switch (data->GetClassType()) {
        case SeqClassType::FlowControl:
            last = std::max(last, time->GetSeconds());
            break;
        case SeqClassType::Note:
            last = std::max(last, time->GetSeconds() + (duration ? duration->GetSeconds() : 0.0f));
            break;
        case SeqClassType::Wave: {
            // A clip lasts its seconds along the tempo map, and a quarter note more.
            ECConductorStaff* staff = m_conductor ? m_conductor->GetConductorStaff() : nullptr;
            ECTempoEnv* tempo = staff ? staff->GetTempoEnv() : nullptr;
            if (!tempo)
                break;
            MCTime end = *time;
            tempo->GetClockTime(end);
            end = timeOf(end.GetSeconds() + (duration ? duration->GetSeconds() : 0.0f), MCTime::clock);
            tempo->GetNormalizedTime(end);
            if (end.GetSeconds() > last)
                last = end.GetSeconds() + 1.0f;
            break;
        }
        default:
            break;
        }
    }
    m_lastNoteTime = MCTime(last + 0.001f);
    return m_lastNoteTime;
}

MCTime CSequence::GetLeadInTime()
{
    Locked locked(*this);
    m_leadInTime = MCTime(0.0f);
    if (RecordLeadInEnabled() && m_conductor) {
        const ECMeter* meter = m_conductor->GetMeterAtTime(isNull(m_location) ? MCTime::TimeZero() : m_location);
        if (meter)
            m_leadInTime = MCTime(static_cast<float>(m_leadInMeasures) * meter->GetMeasureLength());
    }
    return m_leadInTime;
}

// ---- the data list

bool CSequence::StandsInList(const DCsqBase* data)
{
    switch (data->GetClassType()) {
    case SeqClassType::FlowControl:
    case SeqClassType::Key:
    case SeqClassType::Lyric:
    case SeqClassType::Meter:
    case SeqClassType::Midi:
    case SeqClassType::Note:
    case SeqClassType::SysMsg:
    case SeqClassType::Text:
    case SeqClassType::Wave:
    case SeqClassType::ChannelMode:
        return true;
    default:
        return false;
    }
}

DCsqBase* CSequence::ListData(ECBase* element)
{
    return element ? plat::dynamicDowncast<DCsqBase>(element->GetData(0, 0)) : nullptr;
}

void CSequence::InsertData(DCsqBase* data)
{
    if (!data)
        return;
    Locked locked(*this);
    // Inserted twice, the data would stand twice and close a cycle.
    if (data->GetPrev() || data->GetNext() || m_head == data)
        RemoveData(data);
    if (ECBase* owner = data->GetOwner()) {
        const MCTime* time = owner->GetTime();
        const auto* sysMsg = plat::dynamicDowncast<DCsqSysMsg>(data);
        const bool prestart = sysMsg && sysMsg->GetSysExData().HasData();
        if (time && *time < MCTime(0.0f) && !isNull(*time) && !prestart) {
            const MCTime zero(0.0f);
            owner->SetTime(&zero);
        }
    }
    if (!m_head) {
        data->SetPrev(nullptr);
        data->SetNext(nullptr);
        m_head = m_tail = m_recordPosition = m_playPosition = data;
        return;
    }
    const int where = FindInsertPosition(data);
    DCsqBase* before = nullptr;  // the node the data follows
    DCsqBase* after = nullptr;   // the node the data precedes
    switch (where) {
    case 0:
        after = m_head;
        break;
    case 1:
        after = m_recordPosition;
        before = after->GetPrev();
        break;
    case 2:
        before = m_recordPosition;
        after = before->GetNext();
        break;
    default:
        before = m_tail;
        break;
    }
    data->SetPrev(before);
    data->SetNext(after);
    if (before)
        before->SetNext(data);
    else
        m_head = data;
    if (after)
        after->SetPrev(data);
    else
        m_tail = data;
    m_recordPosition = data;
}

int CSequence::FindInsertPosition(DCsqBase* data)
{
    Locked locked(*this);
    DCsqBase* cursor = m_recordPosition ? m_recordPosition : m_head;
    if (!cursor)
        return 3;
    const MCTime time = dataTime(data);
    const int precedence = CMidiScoreMgr::GetPrecedence(data);
    bool moved = false;
    for (;;) {
        const MCTime cursorTime = dataTime(cursor);
        const int cursorPrecedence = CMidiScoreMgr::GetPrecedence(cursor);
        if (!(time > cursorTime || (time == cursorTime && precedence <= cursorPrecedence)))
            break;
        DCsqBase* next = cursor->GetNext();
        if (!next) {
            m_recordPosition = cursor;
            return 3;
        }
        cursor = next;
        moved = true;
    }
    if (moved) {
        m_recordPosition = cursor;
        return 1;
    }
    for (;;) {
        const MCTime cursorTime = dataTime(cursor);
        const int cursorPrecedence = CMidiScoreMgr::GetPrecedence(cursor);
        if (!(time < cursorTime || (time == cursorTime && precedence > cursorPrecedence)))
            break;
        DCsqBase* prev = cursor->GetPrev();
        if (!prev) {
            m_recordPosition = cursor;
            return 0;
        }
        cursor = prev;
    }
    m_recordPosition = cursor;
    return 2;
}

void CSequence::RemoveData(DCsqBase* data)
{
    if (!data)
        return;
    Locked locked(*this);
    DCsqBase* prev = data->GetPrev();
    DCsqBase* next = data->GetNext();
    if (!prev && !next && m_head != data)
        return;
    if (prev)
        prev->SetNext(next);
    if (next)
        next->SetPrev(prev);
    if (m_head == data)
        m_head = next;
    if (m_tail == data)
        m_tail = prev;
    if (m_recordPosition == data)
        m_recordPosition = prev ? prev : next;
    if (m_playPosition == data)
        m_playPosition = prev ? prev : next;
    data->SetPrev(nullptr);
    data->SetNext(nullptr);
}

void CSequence::CheckEventOrder(ECBase* element)
{
    if (DCsqBase* data = ListData(element); data && StandsInList(data)) {
        Locked locked(*this);
        RemoveData(data);
        InsertData(data);
    }
}

void CSequence::CheckDataIntegrity()
{
    Locked locked(*this);
    MCEventList elements;
    if (m_performance) {
        ACFindEvents find;
        find.BypassNone();
        find.Apply(m_performance);
        elements.AddEvents(find.GetEvents());
        elements.RemoveDuplicates();
    }
    for (ECBase* element : elements) {
        if (DCsqBase* data = ListData(element)) {
            data->SetPrev(nullptr);
            data->SetNext(nullptr);
        }
    }
    m_head = m_tail = m_recordPosition = m_playPosition = nullptr;
    for (ECBase* element : elements) {
        DCsqBase* data = ListData(element);
        if (data && StandsInList(data))
            InsertData(data);
    }
    GetLastNoteTime();
}

DCsqBase* CSequence::GetBeginning()
{
    Locked locked(*this);
    for (DCsqBase* data = m_head; data; data = data->GetNext()) {
        if (dataTime(data) >= MCTime(0.0f))
            return data;
    }
    return nullptr;
}

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
