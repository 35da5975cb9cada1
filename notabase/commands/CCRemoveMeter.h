#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/CCRemove.h"
#include "notabase/commands/MCMeterRebar.h"

class ECMeter;

// Takes one meter out of the meter map and re-bars the stretch it governed in the meter before
// it: those bars take the earlier bar length, everything after them moves by the change of
// length, and the timed children go into the measures that now hold them. A following meter that
// then equals the earlier one goes too. The first meter of a piece is never removed.
//
// Snapshots (GetMeterInfo): 0 the removed meter, 1 the meter before it, 2 the meter after it
// (removed when equal to meter 1). The items hold the meter's mirrors, which go with it.
class NOTABASE_API CCRemoveMeter : public CCRemove, public MCMeterRebar {
    PLAT_DECLARE_DYNCREATE(CCRemoveMeter)
public:
    CCRemoveMeter();
    explicit CCRemoveMeter(ECMeter* meter);
    ~CCRemoveMeter() override;

    int GetCommandId() override;
    // Fails for a meter that is not in the meter map and for one without a meter before it (but
    // for the undo of that meter's adding, which takes it out without re-barring).
    int Prepare() override;
    // Takes the snapshots again, as the map stands when the meter goes; a meter that an earlier
    // command of the run took out already is left alone.
    int Process() override;
    int Finish() override;
    // Puts back the removed follower, then the removed meter (which re-bars its stretch again,
    // into the bars it had) and its mirrors; bars appended meanwhile at the end of the piece go
    // again.
    void Undo() override;
    void Remove(MCEventList* elements) override;
    // A meter becomes snapshot 0 (one per command: null once there is one) and its mirrors
    // become items; it gets no item itself and null is returned. Any other element as CCRemove.
    CCRemoveItem* Remove(ECBase* element) override;

protected:
    void DoRemoveMeter();

private:
    // Snapshot 0 anew from the meter as it stands, then 1 and 2; 0 when there is nothing to
    // remove.
    int takeNeighbours();
};
