#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/play/CSeqPlay.h"

// The click producer of a sequence, asked for each window as the player is. So far it clicks
// never: it answers as the player does.
class SEQUENCER_API CSeqMetronome : public CSeqPlay {
    PLAT_DECLARE_DYNAMIC(CSeqMetronome)
};
