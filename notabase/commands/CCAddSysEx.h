#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/CCAdd.h"

// Adds system-exclusive events, each item keeping a copy of its event's message bytes.
class NOTABASE_API CCAddSysEx : public CCAdd {
    PLAT_DECLARE_DYNCREATE(CCAddSysEx)
public:
    CCAddSysEx() = default;
    CCAddSysEx(ECBase* child, ECBase* parent, const FCMidi& message);
    ~CCAddSysEx() override;

    int GetCommandId() override;
    // A CCAddSysExItem with a copy of the message.
    CCAddItem* Add(ECBase* child, ECBase* parent, const FCMidi& message) override;
};
