#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/CCMeterInfo.h"
#include "platform/core/RefPtr.h"

#include <memory>

class CCBase;
class CCRemoveMeter;
class ECConductorStaff;
class ECMeter;
class ECMeterEnv;
class MCTime;

// What the two meter commands (CCAddMeter, CCRemoveMeter) share: their three meter snapshots
// (0 the meter the command adds or removes, 1 the meter before it, 2 the meter after that),
// the bars their re-barring appended, and the re-barring itself. A stretch of bars takes a new
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
    // The number (from 1) of the first bar the re-barring appended, and how many; -1 and 0 when
    // it appended none.
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
    // Gives the bars from the one holding `from` to the last one beginning before `to` the new
    // bar length, the first starting at `from`, and moves what lies at or after `to` (the end of
    // the piece too) by the change of the stretch's length. Returns the end of the range whose
    // children must then be adjusted: the stretch's old end (`to`) when fromOldEnd is set, else
    // its new end, made later by the change when that is positive.
    MCTime rebar(CCBase& command, const MCTime& from, const MCTime& to, const MCTime& newLength,
                 const MCTime& oldLength, bool fromOldEnd);
    // Runs a nested CCAdjustMeasureChildren over the range and keeps what it appended.
    void adjustChildren(CCBase& command, const MCTime& start, const MCTime& end, int reverse);
    // Finish of both commands: the meter after the re-barred stretch, when it now equals the
    // meter before it, is removed by a nested CCRemoveMeter, which is kept for undo.
    void removeEqualFollower(CCBase& command);
    // The first step of both undos: the follower removed by Finish comes back, through the undo
    // of that nested command (which brings back what its own Finish removed in turn).
    void undoFollowerRemoval(CCBase& command);
    // Applies a command of an undo (given its meter part when it is a meter command) with the
    // synchronous flag of the command undone. A meter command applied so puts back exactly what
    // was there: it removes no follower, since one that equalled the meter before it was there
    // before the command being undone.
    static void applyInverse(CCBase& command, CCBase* inverse, MCMeterRebar* meterPart);

    std::unique_ptr<CCMeterInfo> m_infos[3];
    ECConductorStaff* m_conductorStaff = nullptr;

private:
    plat::RefPtr<CCRemoveMeter> m_followerRemoval;
    bool m_undoStep = false;
    int m_insertLocation = -1;
    int m_insertCount = 0;
};
