#pragma once

#include "sequencer/SequencerExport.h"

class CSequence;

// The sequencer's preferences: read from the settings at start-up and applied to each sequence
// that attaches. So far there are none to read or apply.
class SEQUENCER_API MCSeqPreferences {
public:
    static void InitPreferences() {}
    static void UpdatePreferences(CSequence* /*sequence*/) {}
};
