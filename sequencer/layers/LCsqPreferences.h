#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/layers/LCsqBase.h"

// The filter that blocks and thins event types as the sequencer preferences say, one for
// recorded input and one for output. So far it has no settings and lets every event pass.
class SEQUENCER_API LCsqPreferences : public LCsqBase {
    PLAT_DECLARE_SERIAL(LCsqPreferences)
public:
    int GetClassType() const override;
};
