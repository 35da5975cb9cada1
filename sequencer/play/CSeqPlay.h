#pragma once

#include "sequencer/SequencerExport.h"

#include "notabase/values/MCTime.h"
#include "platform/core/Object.h"
#include "wavegate/CWGEventData.h"

class CSequence;

// The event-window producer of a sequence: for each window of the performance it hands over
// the media records that are due. So far it produces no events: every request answers an
// empty list, and a finishing request reports its queues empty at once.
class SEQUENCER_API CSeqPlay : public plat::Object {
    PLAT_DECLARE_DYNAMIC(CSeqPlay)
public:
    CSeqPlay() = default;
    CSeqPlay(const CSeqPlay&) = delete;
    CSeqPlay& operator=(const CSeqPlay&) = delete;
    ~CSeqPlay() override;

    virtual void Attach(CSequence* sequence);
    virtual void Detach();
    virtual void PrepareToPlay();
    virtual void PrepareToStop();
    virtual void PrepareToPause();
    virtual void FlushQueues();
    // The records due before until (performance time); done is set when finishing and nothing
    // is left to send. The caller takes the records out of the list.
    virtual CWGEventList& GetOutputEvents(const MCTime& until, int finishing, int& done);
    // The records that bring the outputs to the state of the music at time t, all due at once.
    virtual CWGEventList& GetOutputState(const MCTime& time);

    CSequence* GetSequence() const { return m_sequence; }

private:
    CSequence* m_sequence = nullptr;
    CWGEventList m_output;
};
