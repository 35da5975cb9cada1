#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/events/CSeqEvent.h"

#include <cstddef>

// Spare events, each still in its own list node, for the makers of events to take and the player
// to give back once an event is converted; and spare media records for the conversion, given
// back by a reader of the records that is done with them (the MIDI file writer). A steady
// stream of events (playback, a file being written) then reuses a few warm nodes instead of
// asking the heap for two blocks per event and per record, which on a large piece come from
// all over the heap the document has broken up.
//
// Not locked: the player's pool is used under the sequence lock.
class SEQUENCER_API CSeqEventPool {
public:
    // More spare events than this are freed rather than kept: a burst is not held for good.
    static constexpr size_t kMaxSpare = 1024;

    CSeqEventPool() = default;
    CSeqEventPool(const CSeqEventPool&) = delete;
    CSeqEventPool& operator=(const CSeqEventPool&) = delete;

    // Appends an event with nothing set to list, a spare one when there is one; null, with list
    // unchanged, when none can be made.
    CSeqEvent* Take(CSeqEventList& list);
    // Moves the event at at out of list into the pool, reset to nothing set (a wave block it
    // owns is freed); at must be an iterator of list.
    void Give(CSeqEventList& list, CSeqEventList::iterator at);
    size_t GetSpareCount() const { return m_spare.size(); }

    // Takes every record of records, emptied (the bytes or block a record owns are freed), for
    // the conversion to fill again; beyond kMaxSpare spare records the rest are freed.
    void GiveRecords(CWGEventList& records);
    // The empty records for CSeqEvent::ConvertData to take.
    CWGEventList& GetSpareRecords() { return m_spareRecords; }

    // An event taken from pool, or made anew where there is no pool.
    static CSeqEvent* Take(CSeqEventPool* pool, CSeqEventList& list);

private:
    CSeqEventList m_spare;
    CWGEventList m_spareRecords;
};
