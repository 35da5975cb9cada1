#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/CCAddEnvPoint.h"

// Adds dynamic marks to controller envelopes. A mark such as "mf" sets its value from the
// preferences and steps to it; a crescendo or decrescendo with a duration ramps from the value
// in force to an end point it adds at its end: the next point's value, or the start value
// raised by a third (crescendo) or lowered by a quarter (decrescendo) when none follows.
class NOTABASE_API CCAddDynamic : public CCAddEnvPoint {
    PLAT_DECLARE_DYNCREATE(CCAddDynamic)
public:
    CCAddDynamic() = default;

    int GetCommandId() override;

protected:
    int PrepareItem(CCAddEnvPtItem* item) override;
};
