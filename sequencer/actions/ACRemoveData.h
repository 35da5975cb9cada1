#pragma once

#include "sequencer/SequencerExport.h"

#include "notabase/actions/ACBase.h"

class CSequence;

// Unlinks the sequencer data of the elements it visits from a sequence's data list, before the
// elements go away; the list's ends and cursors move off the data.
class SEQUENCER_API ACRemoveData : public ACBase {
public:
    explicit ACRemoveData(CSequence* sequence);

    int DoAction(ECBase* element) override;

private:
    CSequence* m_sequence;
};
