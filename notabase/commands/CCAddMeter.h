#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/CCAdd.h"
#include "notabase/commands/MCMeterRebar.h"

class ECMeter;

// Puts one meter into the meter map and re-bars the piece: the bars from the new meter up to the
// next meter change take its bar length, everything after them moves by the change of length,
// and the timed children of those bars go into the measures that now hold them. A meter already
// standing at that time is replaced; a following meter that becomes equal to the new one goes.
// A meter given a time inside a bar (a time signature of a MIDI file can fall there) takes
// effect from the start of that bar: bars always follow one another, each as long as its meter.
//
// Snapshots (GetMeterInfo): 0 the new meter, 1 the meter in force at its time (removed when it
// stood at that very time), 2 the meter after that one (removed when equal to the new meter).
class NOTABASE_API CCAddMeter : public CCAdd, public MCMeterRebar {
    PLAT_DECLARE_DYNCREATE(CCAddMeter)
public:
    CCAddMeter();
    explicit CCAddMeter(ECMeter* meter);
    ~CCAddMeter() override;

    int GetCommandId() override;
    // Takes snapshots 1 and 2 from the meter map as it stands now; Process takes them again, as
    // the map stands when the meter goes in.
    int Prepare() override;
    int Process() override;
    // Removes the following meter when it has become equal to the new one.
    int Finish() override;
    // Puts back the removed follower, then the replaced meter or, when none was replaced, removes
    // the new meter again (also the first meter of a piece), each by its own meter command, which
    // gives the re-barred stretch back its bars; bars appended meanwhile at the end of the piece
    // go again. Drops snapshots 1 and 2, so that a redo takes them anew.
    void Undo() override;
    // One meter per command: null, changing nothing, once the command has its meter, and for an
    // element that is not a meter. The parent is not used: the meter goes into the meter map.
    CCAddItem* Add(ECBase* child, ECBase* parent, const FCMidi& data) override;

protected:
    void DoAddMeter();

private:
    void takeNeighbours();
    // Moves the new meter (and its snapshot) back to the start of the bar that holds its time.
    void placeOnBarLine();
};
