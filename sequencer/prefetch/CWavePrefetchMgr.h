#pragma once

#include "sequencer/SequencerExport.h"

#include "notabase/values/MCTime.h"
#include "wavegate/CWavePlay.h"

#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

class CSequence;
class ECBase;
class ECConductor;
class ECTrack;

// The wave prefetch of a sequence: prepares the players of the wave clips that start within
// the next few seconds of performance, following the jumps the flow marks will take, so that
// a clip's player is ready when the play reaches it (the clip's wave event takes it out).
//
// Preparing with wait holds the manager's lock while a file opens. The performance callback
// never waits for that: when it finds the lock taken, or the player not ready yet, it goes
// without (the output then prepares the clip itself), and says so in the trace.
class SEQUENCER_API CWavePrefetchMgr {
public:
    static constexpr float kDefaultPrefetchTime = 2.0f;

    CWavePrefetchMgr() = default;
    ~CWavePrefetchMgr();
    CWavePrefetchMgr(const CWavePrefetchMgr&) = delete;
    CWavePrefetchMgr& operator=(const CWavePrefetchMgr&) = delete;

    void Attach(CSequence* sequence);
    // Forgets the sequence, the marks and the tracks, and deletes every prepared player.
    void Detach();
    CSequence* GetSequence() const { return m_sequence; }

    // Seconds of performance looked ahead; zero, negative and not-a-number values are ignored.
    void SetPrefetchTime(float seconds);
    float GetPrefetchTime() const { return m_prefetchTime; }

    // The flow marks of the conductor staff, in order. The sequence calls both after every
    // batch of edits that touches marks or clips: the driver thread reads what they collect.
    void UpdateFlowControl();
    // One cursor per wave track, at its first clip; the players of clips no longer on a wave
    // track are deleted.
    void UpdateWaveTrack();
    // The null time deletes every prepared player; another deletes those of clips that start
    // before it. The cursors go back to the start.
    void Reset(const MCTime& time);
    // Prepares the players of the clips due from now (waiting for each with wait).
    void DoPrefetch(const MCTime& now, int wait);
    // The clip's prepared player, or null; with remove the caller takes it. The performance
    // callback calls it: it never waits, and a player not ready yet is not handed out.
    CWavePlay* GetWavePlayObj(ECBase* clip, int remove);
    // How many players are prepared and not taken.
    size_t GetPreparedCount();

protected:
    void ResetTrackPositions(const MCTime& from, const MCTime& to);

private:
    struct TrackCursor {
        ECTrack* track = nullptr;
        size_t next = 0;
    };
    // The clip's start in musical time.
    static float StartOf(ECBase* clip);
    ECBase* ClipAt(const TrackCursor& cursor) const;
    // Prepares a player for the clip; null when it has no output or cannot be prepared.
    CWavePlay* Prepare(ECBase* clip, int wait);
    void DeletePlayers(float before, bool all);

    CSequence* m_sequence = nullptr;
    ECConductor* m_conductor = nullptr;
    std::vector<TrackCursor> m_tracks;
    std::unordered_map<ECBase*, std::unique_ptr<CWavePlay>> m_players;
    std::vector<ECBase*> m_marks;
    size_t m_markCursor = 0;
    float m_prefetchTime = kDefaultPrefetchTime;
    std::recursive_mutex m_lock;
};
