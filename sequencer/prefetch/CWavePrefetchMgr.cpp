#include "sequencer/prefetch/CWavePrefetchMgr.h"

#include "notabase/model/ECBase.h"
#include "notabase/model/ECWave.h"
#include "notabase/model/EventTypes.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorStaff.h"
#include "notabase/score/ECTrack.h"
#include "platform/core/Trace.h"
#include "sequencer/data/DCsqFlowControl.h"
#include "sequencer/data/DCsqWaveTrack.h"
#include "sequencer/transport/CSequence.h"
#include "sequencer/values/MCVoiceMap.h"
#include "wavegate/CWavePlay.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

CWavePrefetchMgr::~CWavePrefetchMgr()
{
    Detach();
}

void CWavePrefetchMgr::Attach(CSequence* sequence)
{
    {
        std::lock_guard lock(m_lock);
        m_sequence = sequence;
        m_conductor = sequence ? sequence->GetConductor() : nullptr;
    }
    UpdateFlowControl();
    UpdateWaveTrack();
}

void CWavePrefetchMgr::Detach()
{
    std::lock_guard lock(m_lock);
    m_sequence = nullptr;
    m_conductor = nullptr;
    m_markCursor = 0;
    m_marks.clear();
    m_tracks.clear();
    Reset(MCTime::TimeNull());
}

void CWavePrefetchMgr::SetPrefetchTime(float seconds)
{
    if (seconds > 0.0f)
        m_prefetchTime = seconds;
}

void CWavePrefetchMgr::UpdateFlowControl()
{
    std::lock_guard lock(m_lock);
    ECConductorStaff* staff = m_conductor ? m_conductor->GetConductorStaff() : nullptr;
    MCEventList* children = staff ? staff->GetChildren() : nullptr;
    if (!children)
        return;
    m_marks.clear();
    for (ECBase* child : *children)
        if (child->GetEventId() == EventId::FlowControl)
            m_marks.push_back(child);
    m_markCursor = 0;
}

void CWavePrefetchMgr::UpdateWaveTrack()
{
    std::lock_guard lock(m_lock);
    m_tracks.clear();
    std::unordered_set<const ECBase*> clips;
    if (m_conductor) {
        const int highest = m_conductor->GetMaxTrackNumber(ECConductor::waveTrack);
        for (int number = 1; number <= highest; ++number) {
            ECTrack* track = m_conductor->GetTrack(ECConductor::waveTrack, number, 0);
            if (!track)
                continue;
            m_tracks.push_back({track, 0});
            if (MCEventList* children = track->GetChildren())
                clips.insert(children->begin(), children->end());
        }
    }
    // A clip taken out of the piece is freed once its command leaves the undo history: its
    // player goes now, while the clip still stands.
    std::erase_if(m_players, [&](const auto& entry) { return !clips.count(entry.first); });
}

float CWavePrefetchMgr::StartOf(ECBase* clip)
{
    const MCTime* time = clip ? clip->GetTime() : nullptr;
    return time ? time->GetSeconds() : 0.0f;
}

ECBase* CWavePrefetchMgr::ClipAt(const TrackCursor& cursor) const
{
    MCEventList* children = cursor.track ? cursor.track->GetChildren() : nullptr;
    if (!children || cursor.next >= static_cast<size_t>(children->GetCount()))
        return nullptr;
    size_t index = 0;
    for (ECBase* child : *children)
        if (index++ == cursor.next)
            return child;
    return nullptr;
}

void CWavePrefetchMgr::DeletePlayers(float before, bool all)
{
    std::erase_if(m_players, [&](const auto& entry) { return all || StartOf(entry.first) < before; });
}

void CWavePrefetchMgr::Reset(const MCTime& time)
{
    std::lock_guard lock(m_lock);
    const bool all = time.GetMode() != MCTime::barPulseTick && time.GetSeconds() == MCTime::TimeNull().GetSeconds();
    DeletePlayers(time.GetSeconds(), all);
    m_markCursor = 0;
    for (TrackCursor& cursor : m_tracks)
        cursor.next = 0;
}

CWavePlay* CWavePrefetchMgr::Prepare(ECBase* clip, int wait)
{
    auto* wave = plat::dynamicDowncast<ECWave>(clip);
    const MCVoiceTrack* word = clip->GetVoiceTrack();
    auto* data = plat::dynamicDowncast<DCsqWaveTrack>(DCsqTrack::GetTrackData(clip, ECConductor::waveTrack, m_sequence));
    if (!wave || !word || !data)
        return nullptr;
    const int voice = word->IsConverted() ? MCVoiceTrack::noVoice : word->GetVoice();
    // A voice without a voice map has no output to prepare on.
    const MCVoiceMap* map = voice < DCsqTrack::voiceCount ? data->GetVoiceMap(voice) : nullptr;
    if (!map)
        return nullptr;
    WG_WaveParams params;
    params.tag = m_sequence->GetPerformTag();
    params.track = word->IsConverted() ? MCVoiceTrack::noTrack : word->GetTrack();
    params.params = data->GetDSParams();
    params.fileName = wave->GetFileName().c_str();
    params.player = 0;
    auto player = std::make_unique<CWavePlay>();
    if (!player->Prepare(&params, static_cast<int>(map->GetDevice()), wait))
        return nullptr;
    return player.release();
}

void CWavePrefetchMgr::DoPrefetch(const MCTime& now, int wait)
{
    std::lock_guard lock(m_lock);
    if (!m_sequence)
        return;
    MCTime from = now;
    float carry = 0.0f;
    // A loop of jumps that gains no time ends after this many.
    constexpr int kMaxJumps = 64;
    int jumps = 0;
    for (bool more = true; more && jumps < kMaxJumps; ++jumps) {
        MCTime horizon = from;
        m_sequence->ClockTime(horizon);
        const float horizonClock = horizon.GetSeconds() + (m_prefetchTime - carry);
        MCTime end(horizonClock);
        end.SetMode(MCTime::clock);
        m_sequence->NormalizeTime(end);
        float endTime = end.GetSeconds();
        const float stretchFrom = from.GetSeconds();
        ECBase* target = nullptr;

        // The first mark within reach that jumps ends this stretch; marks that play on are
        // passed over.
        more = false;
        while (m_markCursor < m_marks.size() && StartOf(m_marks[m_markCursor]) < endTime) {
            ECBase* mark = m_marks[m_markCursor];
            // A mark the play has passed sends it nowhere any more.
            if (StartOf(mark) < stretchFrom) {
                ++m_markCursor;
                continue;
            }
            int jump = 0;
            auto* flow = plat::dynamicDowncast<DCsqFlowControl>(mark->GetData(0, 0));
            DCsqBase* next = flow ? flow->PeekNextTarget(&jump) : nullptr;
            ECBase* nextElement = next ? next->GetOwner() : nullptr;
            if (!jump || !nextElement) {
                ++m_markCursor;
                continue;
            }
            endTime = StartOf(mark);
            // The time up to the mark is used; what is left goes on from the target.
            MCTime markClock(StartOf(mark));
            m_sequence->ClockTime(markClock);
            carry = std::clamp(carry + markClock.GetSeconds() - horizon.GetSeconds(), 0.0f, m_prefetchTime);
            from = MCTime(StartOf(nextElement));
            target = nextElement;
            more = true;
            break;
        }

        for (TrackCursor& cursor : m_tracks) {
            for (ECBase* clip = ClipAt(cursor); clip; clip = ClipAt(cursor)) {
                if (StartOf(clip) >= endTime)
                    break;
                ++cursor.next;
                // A clip that began before the play got here has had its wave event.
                if (clip->GetEventId() != EventId::Wave || m_players.count(clip) || StartOf(clip) < stretchFrom)
                    continue;
                if (CWavePlay* player = Prepare(clip, wait))
                    m_players.emplace(clip, player);
            }
        }

        if (target) {
            const auto found = std::find(m_marks.begin(), m_marks.end(), target);
            m_markCursor = found == m_marks.end() ? m_marks.size() : static_cast<size_t>(found - m_marks.begin()) + 1;
            if (!(carry < m_prefetchTime))
                more = false;
            ResetTrackPositions(from, MCTime(endTime));
        }
    }
}

void CWavePrefetchMgr::ResetTrackPositions(const MCTime& from, const MCTime& to)
{
    for (TrackCursor& cursor : m_tracks) {
        if (from.GetSeconds() < to.GetSeconds())
            cursor.next = 0;
        for (ECBase* clip = ClipAt(cursor); clip && StartOf(clip) < from.GetSeconds(); clip = ClipAt(cursor))
            ++cursor.next;
    }
}

CWavePlay* CWavePrefetchMgr::GetWavePlayObj(ECBase* clip, int remove)
{
    std::unique_lock lock(m_lock, std::try_to_lock);
    if (!lock.owns_lock()) {
        plat::trace("CWavePrefetchMgr -- busy preparing, a clip goes without its prefetch\n");
        return nullptr;
    }
    const auto found = m_players.find(clip);
    if (found == m_players.end())
        return nullptr;
    if (!found->second->IsPrepared()) {
        plat::trace("CWavePrefetchMgr -- a prefetch is not ready in time\n");
        return nullptr;
    }
    if (!remove)
        return found->second.get();
    CWavePlay* player = found->second.release();
    m_players.erase(found);
    return player;
}

size_t CWavePrefetchMgr::GetPreparedCount()
{
    std::lock_guard lock(m_lock);
    return m_players.size();
}
