#pragma once

#include "sequencer/SequencerExport.h"

#include "notabase/model/MCEventList.h"
#include "sequencer/monitor/MCTimedQueue.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

class CSequence;
class ECBase;

// Which elements (notes) start and stop sounding, and when, for the score views to light up
// and switch off. The player feeds it from the driver thread without a lock or an allocation
// (a fixed queue; an entry that finds it full is dropped); the views take what is due under a
// lock of their own.
//
// Times are milliseconds of play time (the device manager's elapsed play time); in step play
// the current position in unwrapped time stands for now.
class SEQUENCER_API CHighlightMgr {
public:
    static constexpr size_t kQueueSize = 4096;

    CHighlightMgr() = default;
    ~CHighlightMgr();
    CHighlightMgr(const CHighlightMgr&) = delete;
    CHighlightMgr& operator=(const CHighlightMgr&) = delete;

    void Attach(CSequence* sequence) { m_sequence = sequence; }
    // Clears the enabled flag and forgets the sequence.
    void Detach();
    CSequence* GetSequence() const { return m_sequence; }

    // Sets the flag and empties the queues and lists.
    void EnableHighlighting(int enable);
    int HighlightingEnabled() const { return m_enabled.load(std::memory_order_relaxed); }
    // Any thread; nothing while highlighting is off.
    void SetHighlightOn(ECBase* element, uint32_t time);
    void SetHighlightOff(ECBase* element, uint32_t time);
    // The elements due by now, oldest first; the list stays the manager's until the next call.
    MCEventList& GetHighlightOnList();
    // With all, every queued element whatever its time.
    MCEventList& GetHighlightOffList(int all);
    // The same at a given time of play.
    MCEventList& GetHighlightOnList(uint32_t now);
    MCEventList& GetHighlightOffList(int all, uint32_t now);
    void ResetHighlighting();

private:
    struct Entry {
        ECBase* element;
        uint32_t time;
    };
    using Queue = MCTimedQueue<Entry, kQueueSize>;
    uint32_t Now();
    // Under m_lock: the due entries of the queue (those held back first) into the list.
    void Collect(Queue& queue, std::vector<Entry>& held, MCEventList& list, bool all, uint32_t now);

    std::atomic<int> m_enabled{0};
    CSequence* m_sequence = nullptr;
    Queue m_onQueue;
    Queue m_offQueue;
    std::recursive_mutex m_lock;
    std::vector<Entry> m_heldOn;
    std::vector<Entry> m_heldOff;
    MCEventList m_onList;
    MCEventList m_offList;
};
