#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/data/DCsqText.h"

// The sequencer data of a lyric.
class SEQUENCER_API DCsqLyric : public DCsqText {
    PLAT_DECLARE_SERIAL(DCsqLyric)
public:
    int GetClassType() const override;
};
