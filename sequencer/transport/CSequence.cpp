#include "sequencer/transport/CSequence.h"

#include "notabase/performance/ECPerformance.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorStaff.h"
#include "notabase/states/SCTime.h"
#include "sequencer/data/DCsqTrack.h"
#include "sequencer/layers/LCsqPreferences.h"
#include "sequencer/prefs/MCSeqPreferences.h"
#include "sequencer/transport/CSequenceLocked.h"
#include "sequencer/transport/MCFlowControl.h"
#include "sequencer/transport/SequenceSupport.h"
#include "wavegate/CWavegate.h"

#include <algorithm>
#include <mutex>
#include <utility>

using namespace sequence_support;

PLAT_IMPLEMENT_DYNAMIC(CSequence, plat::Object)

LCsqPreferences CSequence::s_PrefsInFilter;
LCsqPreferences CSequence::s_PrefsOutFilter;

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
    // The marks follow this sequence from now on, before the prefetcher looks through them
    // (a piece without a conductor staff has none).
    if (m_conductor && m_conductor->GetTrack(ECConductor::conductorTrack, 0, 0)) {
        Locked locked(*this);
        MCFlowControl().Coordinate(this);
    }
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
    MCFlowControl().Release(this);
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
    // A performance that stops takes every player prepared for it with it: the prefetched
    // ones go first, by their owner, so that none is deleted twice.
    if (!tags.empty())
        m_wavePrefetchMgr.Reset(MCTime::TimeNull());
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

void CSequence::SetMidiWriting(int on)
{
    m_player.ClearWriteIndex();
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
