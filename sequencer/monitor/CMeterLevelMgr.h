#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/monitor/MCTimedQueue.h"

#include <cstdint>
#include <mutex>
#include <vector>

class CSequence;

// The level meters of a sequence's MIDI tracks. The player (on the driver thread) and the MIDI
// recorder (on the recording thread) feed velocities with the play time at which they sound;
// the mixer polls the current level of every track. Feeding takes no lock and allocates
// nothing: samples go through a fixed queue, and a sample that finds it full is dropped. The
// reader drains it under a lock of its own.
//
// Times are milliseconds of play time (the device manager's elapsed play time), the base the
// player's event times have; 0 is due at once.
//
// The tracks' gains are kept rather than looked up at every poll: they are read again when the
// track count is updated and when RefreshGains() is called, which the reader does on the
// notices that can change a gain (a track state, an edit of the tracks, another document).
class SEQUENCER_API CMeterLevelMgr {
public:
    // A sample due this much after the poll still counts in it.
    static constexpr uint32_t kEarlyMs = 10;
    static constexpr size_t kQueueSize = 4096;

    CMeterLevelMgr() = default;
    ~CMeterLevelMgr();
    CMeterLevelMgr(const CMeterLevelMgr&) = delete;
    CMeterLevelMgr& operator=(const CMeterLevelMgr&) = delete;

    void Attach(CSequence* sequence);
    void Detach();
    CSequence* GetSequence() const { return m_sequence; }

    // One slot per MIDI track and slot 0, which is never a track. Reads the gains again.
    void UpdateTrackCount();
    // Reads every track's gain again.
    void RefreshGains();
    int GetSlotCount();
    // A velocity (0-127) of a track at a time of play. Any thread; never blocks.
    void SetMeterLevel(unsigned track, unsigned level, uint32_t time);
    // Per slot (track number) the loudest velocity due since the last poll / 128, times the
    // track's gain as last read; 0.0 for a slot without a track. At the device manager's play time, or at
    // the time given.
    const std::vector<float>& GetCurrentLevels();
    const std::vector<float>& GetCurrentLevels(uint32_t now);
    // Drops every queued sample.
    void ResetLevels();

private:
    struct Sample {
        uint32_t track;
        uint32_t level;
        uint32_t time;
    };
    // Under m_lock: moves what the feeders queued into m_held.
    void Drain();
    // Under m_lock.
    void ReadGains();

    CSequence* m_sequence = nullptr;
    MCTimedQueue<Sample, kQueueSize> m_queue;
    std::recursive_mutex m_lock;
    int m_slotCount = 1;
    std::vector<unsigned> m_peaks = std::vector<unsigned>(1, 0);
    std::vector<float> m_levels = std::vector<float>(1, 0.0f);
    // Per slot the track's gain, 0.0 for a slot without a track.
    std::vector<float> m_gains = std::vector<float>(1, 0.0f);
    // Samples taken from the queue that are not yet due.
    std::vector<Sample> m_held;
};
