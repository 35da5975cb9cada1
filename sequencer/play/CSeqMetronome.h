#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/play/CSeqPlay.h"

// The click producer of a sequence, asked for each window as the player is. So far it clicks
// never: it holds no events and reports its queues empty at once.
class SEQUENCER_API CSeqMetronome : public CSeqPlay {
    PLAT_DECLARE_DYNAMIC(CSeqMetronome)
public:
    void PrepareToStop() override {}
    void PrepareToPause() override {}
    CWGEventList& GetOutputEvents(const MCTime& until, int finishing, int& done) override;
    CWGEventList& GetOutputState(const MCTime& time) override;

private:
    CWGEventList m_clicks;
};
