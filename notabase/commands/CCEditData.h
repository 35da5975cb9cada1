#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/CCEdit.h"

class CCEditDataItem;
class DCBase;

// Changes data components of elements (what another library keeps about an element): one item
// per component. Undo, as for any edit, needs the old states kept inside an undo bracket.
class NOTABASE_API CCEditData : public CCEdit {
    PLAT_DECLARE_DYNCREATE(CCEditData)
public:
    CCEditData() = default;

    int GetCommandId() override;
    void Undo() override;
    // Elements are not edited whole here.
    CCEditItem* EditEvent(ECBase* element) override;

    // The component's item, made with the view code when there is none yet (a second call
    // changes nothing of it).
    virtual CCEditDataItem* EditData(DCBase* data, int viewCode);
};
