#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/CCAddEnvPoint.h"

// Adds octave transpositions: an octave up (12), down (-12) or two up (24) from the mark, back to
// 0 at its end, as one group.
class NOTABASE_API CCAddTranspose : public CCAddEnvPoint {
    PLAT_DECLARE_DYNCREATE(CCAddTranspose)
public:
    CCAddTranspose() = default;

    int GetCommandId() override;

protected:
    int PrepareItem(CCAddEnvPtItem* item) override;
};
