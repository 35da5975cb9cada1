#pragma once

#include "sequencer/SequencerExport.h"

#include "notabase/values/MCTime.h"
#include "platform/core/Object.h"
#include "sequencer/events/CSeqEvent.h"
#include "sequencer/events/CSeqEventPool.h"
#include "sequencer/play/CSeqWriteIndex.h"
#include "wavegate/CWGEventData.h"

#include <cstdint>
#include <functional>
#include <vector>

class CSequence;
class DCsqBase;
class DCsqTrack;
class LCBase;

// The event-window producer of a sequence. For each window of the performance it walks the
// time-ordered data list from the play position, lets each data object produce its events,
// runs them through the filters (splitting notes into their on and off halves), converts what
// is due into media records and keeps the rest queued for later windows. It also brings the
// outputs to the state of the music at a locate, sends the MIDI clock when the program is the
// clock master, and closes the notes that sound when playback stops or pauses.
//
// Every operation runs under the sequence lock, held by the caller.
class SEQUENCER_API CSeqPlay : public plat::Object {
    PLAT_DECLARE_DYNAMIC(CSeqPlay)
public:
    CSeqPlay() = default;
    CSeqPlay(const CSeqPlay&) = delete;
    CSeqPlay& operator=(const CSeqPlay&) = delete;
    ~CSeqPlay() override;

    virtual void Attach(CSequence* sequence);
    // Empties the queues and forgets the sequence.
    virtual void Detach();
    // Moves the events held over a pause to the pending queue, later by the length of the
    // pause, and restarts the clock lead-in.
    virtual void PrepareToPlay();
    // Sends at once the note-offs of the notes that sound and drops the rest of the queues.
    virtual void PrepareToStop();
    // Sends at once the note-offs of the notes that sound and keeps the rest for the resume.
    virtual void PrepareToPause();
    virtual void FlushQueues();
    // Forgets the index of the data list a file is written by; the list may change after.
    void ClearWriteIndex() { m_writeIndex.Clear(); }
    // The records due before until (performance time); unless finishing, the events of the
    // sequence's current window are gathered first. done is set when finishing and nothing is
    // left pending. The caller takes the records out of the list.
    virtual CWGEventList& GetOutputEvents(const MCTime& until, int finishing, int& done);
    // The records that bring the outputs to the state of the music at time t, all due at once.
    virtual CWGEventList& GetOutputState(const MCTime& time);

    // Runs every event of the list that has a track through its filters and the note-off
    // splitter (mask: which filter lists, as CSequence::GetFilterList reads it); what the
    // filters make is appended to the list.
    void ProcessEventList(CSeqEventList& list, unsigned long mask);

    // A change of speed: the queued events in performance time due at or after from go back
    // to musical time on the sequence's present timeline; QueuedToPerformance times them on
    // the timeline the sequence has next.
    void QueuedToMusical(const MCTime& from);
    void QueuedToPerformance();

    CSequence* GetSequence() const { return m_sequence; }
    // The events the data make for a window are taken from here, and come back once converted.
    CSeqEventPool& GetEventPool() { return m_eventPool; }

protected:
    // The clock lead-in of sync mode 1: 0 when there is none to send now (the ordinary window
    // is gathered), else 1 after appending what falls into the window.
    int GetLeadInTimingEvents(CSeqEventList& list);
    // Puts a MIDI clock before the list for every clock tick before until (sync mode 1).
    void GetTimingEvents(const MCTime& until, CSeqEventList& list);
    // Appends the events of the data in the sequence's current window, from the play position,
    // and moves the play position past them. A flow mark in the window (unless flow control is
    // ignored) ends the walk and the window there: it is returned, else null.
    DCsqBase* GetCurrentWindowEvents(CSeqEventList& list);
    // Appends every track's envelope state at the time, then the song position in sync mode 1.
    void GetCurrentStateEvents(const MCTime& time, CSeqEventList& list);
    void PrepareToStop(int stop);
    // Puts the sustain-pedal offs of the staves that have a sustain envelope at the head of the
    // pending queue, due at once.
    void PreparePedalOff();
    // Sorts by time, keeping the order of equal times.
    static void SortList(CSeqEventList& list);
    // Runs the filters in order over the event and what earlier filters made of it; appends
    // what they made to out. work is scratch space, kept by the caller so that its room is not
    // made anew for every event.
    static void ProcessEvent(CSeqEvent* event, const std::vector<LCBase*>& filters, CSeqEventList& out,
                             std::vector<CSeqEvent*>& work);
    // Whether a queued event must go out at a stop: the note-off of a note that sounds.
    int TransferEvent(CSeqEvent& event);
    // The queue of events not yet due and the records handed out, for players that make
    // their own events (the metronome).
    CSeqEventList& PendingEvents() { return m_pending; }
    CWGEventList& OutputRecords() { return m_output; }

private:
    // A note-on seen while preparing a stop: its voice/track word and its key.
    struct SoundingNote {
        uint16_t voiceTrack;
        uint8_t key;
    };

    // Musical time to the time the records carry: performance seconds, or unwrapped time
    // while a MIDI file is written or step play runs.
    void ToOutputTime(MCTime& time);
    // Converts each event that is due into records, queues the others.
    void DeliverStaged(const MCTime& until);
    // A note that goes out feeds its track's level meter and the highlighting of its element.
    void FeedMonitors(CSeqEvent& event);
    bool Writing() const;
    // Calls visit with the data of the conductor staff, every staff and every wave track, in
    // that order (the data made when missing with create 1).
    void ForEachTrack(int create, const std::function<void(DCsqTrack&)>& visit) const;
    static int SyncMode();
    static MCTime PerformanceTime(float seconds);

    CSequence* m_sequence = nullptr;
    CSeqEventPool m_eventPool;
    CSeqEventList m_pending;
    CSeqEventList m_paused;
    CSeqEventList m_staging;
    CWGEventList m_output;
    std::vector<SoundingNote> m_notes;
    std::vector<LCBase*> m_filters;
    std::vector<CSeqEvent*> m_filterWork;
    CSeqWriteIndex m_writeIndex;
    MCTime m_pauseTime = PerformanceTime(0.0f);
    // Where the clock lead-in and the clocks count from: the location when the play began.
    MCTime m_startPosition;
    int m_leadInDone = 0;
    int m_leadInClocks = 0;
    int m_clocksSent = 0;
};
