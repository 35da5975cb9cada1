#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/CCRemove.h"

class ECTrack;

// Takes staves and wave tracks out of the piece through the conductor, which renumbers the
// tracks after them. It is not recorded for undo, and its Undo does nothing.
class NOTABASE_API CCRemoveTrack : public CCRemove {
    PLAT_DECLARE_DYNCREATE(CCRemoveTrack)
public:
    CCRemoveTrack();
    explicit CCRemoveTrack(ECTrack* track);

    int GetCommandId() override;
    int Process() override;
    void Undo() override {}

    using CCRemove::Remove;
    // Staves and wave tracks only; null for anything else and for a track held already.
    CCRemoveItem* Remove(ECBase* element) override;
};
