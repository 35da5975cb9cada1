#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/CCEdit.h"

class CCEditDurItem;
class MCTime;

// Gives elements new durations, then puts back in time order the envelopes whose points moved
// (the end point of a span moves with its start point's duration). Undo gives back the old
// durations.
class NOTABASE_API CCEditDuration : public CCEdit {
    PLAT_DECLARE_DYNCREATE(CCEditDuration)
public:
    CCEditDuration() = default;
    CCEditDuration(ECBase* element, const MCTime* duration);

    int GetCommandId() override;
    int Process() override;
    void Undo() override;
    CCEditItem* EditEvent(ECBase* element) override;

    // The element's item, made with the duration when there is none yet (a second call does not
    // change its duration).
    virtual CCEditDurItem* EditDuration(ECBase* element, const MCTime* duration);
};
