#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/CCEdit.h"

class CCEditFilterItem;
class LCBase;

// Changes processing layers (the sequencer's playback filters): one item per layer. Undo, as
// for any edit, needs the old states kept inside an undo bracket.
class NOTABASE_API CCEditFilter : public CCEdit {
    PLAT_DECLARE_DYNCREATE(CCEditFilter)
public:
    CCEditFilter() = default;

    int GetCommandId() override;
    void Undo() override;
    // Elements are not edited whole here.
    CCEditItem* EditEvent(ECBase* element) override;

    // The layer's item, made when there is none yet.
    virtual CCEditFilterItem* EditFilter(LCBase* filter);
};
