#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/CCAddEnvPoint.h"

// Adds pedal marks to controller envelopes: controller 64 pressed (127) at the mark and released
// (0) at its end, as one group.
class NOTABASE_API CCAddPedal : public CCAddEnvPoint {
    PLAT_DECLARE_DYNCREATE(CCAddPedal)
public:
    CCAddPedal() = default;

    int GetCommandId() override;

protected:
    int PrepareItem(CCAddEnvPtItem* item) override;
};
