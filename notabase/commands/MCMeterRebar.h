#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/CCMeterInfo.h"
#include "platform/core/RefPtr.h"

#include <memory>
#include <vector>

class CCBase;
class CCRemoveMeter;
class ECBase;
class ECConductorStaff;
class ECMeasure;
class ECMeter;
class ECMeterEnv;
class MCTime;

// What the two meter commands (CCAddMeter, CCRemoveMeter) share: their three meter snapshots
// (0 the meter the command adds or removes, 1 the meter before it, 2 the meter after that),
// the bars their re-barring added, and the re-barring itself. A stretch of bars takes a new
// bar length, everything after it moves by the change of length, and the timed children of the
// stretch go into the measures that now hold them.
class NOTABASE_API MCMeterRebar {
public:
    MCMeterRebar(const MCMeterRebar&) = delete;
    MCMeterRebar& operator=(const MCMeterRebar&) = delete;

    // Snapshot 0, 1 or 2; null for any other index and for a snapshot not taken.
    CCMeterInfo* GetMeterInfo(int i) const;
    ECMeter* GetMeter(int i) const;
    // MCTime::TimeNull() when there is no such snapshot.
    const MCTime& GetMeterTime(int i) const;
    const MCTime& GetMeterDuration(int i) const;
    // The number (from 1) of the first bar the command added, and how many: bars added to a
    // shortened stretch for its music, or appended at the end of the piece for music past it; -1
    // and 0 when it added none.
    int GetMeasureInsertLocation() const { return m_insertLocation; }
    int GetMeasureInsertCount() const { return m_insertCount; }

protected:
    MCMeterRebar();
    ~MCMeterRebar();

    // The conductor staff's meter map, made on first use; null when the command has no conductor.
    // Also remembers the conductor staff.
    ECMeterEnv* meterMap(CCBase& command);
    // Snapshots 1 and 2 are taken anew by every Prepare and dropped by every Undo.
    void dropNeighbours();
    // Snapshot 2: the meter after the stretch, to be removed when it equals the meter before it,
    // unless this command is a step of an undo.
    void takeFollower(ECMeter* follower, bool equal);
    // At the start of Process: notes how many bars the piece has before the command changes any,
    // for its undo, and forgets what an earlier run re-barred and added.
    void startProcess();
    // Gives the bars from the one holding `from` to the last one beginning before `to` the bar
    // length of `meter` (newLength), the first starting at `from`, and moves what lies at or
    // after `to` (the end of the piece too) by the change of the stretch's length. The stretch
    // keeps its number of bars; but when shorter bars would leave music of the stretch at or
    // after its new end, among what follows, bars of the new length are added to it until that
    // music fits. A step of an undo instead gives the stretch back the number of bars it had
    // before the command undone. Returns the end of the range whose children must then be
    // adjusted: the stretch's old end (`to`) when fromOldEnd is set, else its new end, made later
    // by the change when that is positive.
    MCTime rebar(CCBase& command, const MCTime& from, const MCTime& to, ECMeter* meter, const MCTime& newLength,
                 const MCTime& oldLength, bool fromOldEnd);
    // At the end of Finish: the bars this run added (re-barring, appending, the nested commands)
    // are remembered. When an undo took them out again, a redo puts back those very bars in place
    // of the new ones it made, since the steps after this one on the redo stack name their
    // measures.
    void keepAddedBars();
    // Runs a nested CCAdjustMeasureChildren over the range and keeps what it appended.
    void adjustChildren(CCBase& command, const MCTime& start, const MCTime& end, int reverse);
    // Finish of both commands: the meter after the re-barred stretch, when it now equals the
    // meter before it, is removed by a nested CCRemoveMeter, which is kept for undo.
    void removeEqualFollower(CCBase& command);
    // The first step of both undos: the follower removed by Finish comes back, through the undo
    // of that nested command (which brings back what its own Finish removed in turn).
    void undoFollowerRemoval(CCBase& command);
    // The last step of both undos: the bars that the nested commands of the undo appended at the
    // end of the piece (for music that already ran past it) go again, when they are empty.
    void dropAppendedBars(CCBase& command);
    // Applies a command of an undo (given its meter part when it is a meter command) with the
    // synchronous flag of the command undone. A meter command applied so puts back exactly what
    // was there: it removes no follower, since one that equalled the meter before it was there
    // before the command being undone, and the stretch it re-bars gets back the number of bars
    // it had. A CCRemoveMeter applied so also takes out a meter with none before it.
    void applyInverse(CCBase& command, CCBase* inverse, MCMeterRebar* meterPart);
    bool undoStep() const { return m_undoStep; }

    std::unique_ptr<CCMeterInfo> m_infos[3];
    ECConductorStaff* m_conductorStaff = nullptr;

private:
    // The number of bars that holds every element of [newEnd, to) (music that shorter bars would
    // leave among what follows the stretch); `bars` when there is none.
    static int barsForMusic(CCBase& command, const MCTime& from, const MCTime& to, const MCTime& length, int bars);
    // Moves every child of one element to another, in time order there.
    static void moveChildren(ECBase* from, ECBase* to);
    // Takes count bars from the index out of the piece: their measures' children go to the
    // measures of the same staves in the bars that hold their times, and the measures leave
    // their staves.
    void dropBars(int index, int count);
    // Puts the measures of a remembered bar in place of those of the bar of that number, with
    // what they hold.
    void putBackBar(int number, const std::vector<plat::RefPtr<ECMeasure>>& bar);

    plat::RefPtr<CCRemoveMeter> m_followerRemoval;
    bool m_undoStep = false;
    // The bars of the piece before this command changed any; -1 before Process.
    int m_barsBefore = -1;
    // The bars of the stretch this command re-barred, before and after it did; -1 when it
    // re-barred none.
    int m_stretchBars = -1;
    int m_stretchBarsAfter = -1;
    // Set on a step of an undo: the number of bars its re-barred stretch takes, and the number it
    // has (the bars after those were appended behind it).
    int m_undoStretchBars = -1;
    int m_undoStretchBarsAfter = -1;
    // Whether Process has noted the bars and Finish has not looked at them yet.
    bool m_started = false;
    // The bars (their conductor measures) when Process started.
    std::vector<ECBase*> m_barsAtStart;
    // The measures (by track, from the conductor measure) of each bar the first run added.
    std::vector<std::vector<plat::RefPtr<ECMeasure>>> m_addedBars;
    int m_insertLocation = -1;
    int m_insertCount = 0;
};
