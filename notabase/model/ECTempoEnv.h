#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECEnvelope.h"
#include "platform/core/RefPtr.h"

#include <vector>

class ECTempo;

// The tempo map of a piece: its tempo marks in time order, a child of the conductor staff. It
// converts musical time (quarter notes) to clock time (seconds) and back, through steps, ramps
// (a segment whose first mark has a style other than 0 changes speed evenly over clock time)
// and pauses (a pause mark slows the tempo by its percentage until the next mark of its anchor
// group restores it). Each mark keeps its clock time. Adding or removing a mark sets the pause
// tempos that hang on its place at once (those of the mark, of the mark after it and of that
// mark's group, and so on through each tempo that changes), and leaves the clock times to be
// worked out when next asked for (a conversion,
// a mark's GetClockTime), so that an edit of n marks, made mark by mark or command by command,
// works them out once rather than n times; loading a map, a mark's duration changing and
// RecalculateClockTimes work them out at once.
//
// Conversions find their segment by binary search over the marks in time (or clock) order, so a
// random time costs a logarithmic lookup however long the map is.
class NOTABASE_API ECTempoEnv : public ECEnvelope {
    PLAT_DECLARE_SERIAL(ECTempoEnv)
public:
    // Default 60 quarter notes per minute, limits 20 and 400, float values.
    ECTempoEnv();
    ECTempoEnv(const ECTempoEnv& other);
    ECTempoEnv& operator=(const ECTempoEnv& other);

    // The ECEnvelope record; a loaded map holds tempo marks only and recomputes their clock times.
    void Serialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;
    // Takes tempo marks only (each takes the map's voice/track word); then recomputes the clock
    // times.
    int AddChild(ECBase* child, int sorted) override;
    int RemoveChild(ECBase* child, int recursive) override;
    int RemoveChildren(int recursive) override;
    void unlinkAfterFailedLoad() override;

    // Converts a musical time in place to clock seconds; other modes are left alone. Before the
    // first mark a quarter note lasts a second.
    void GetClockTime(MCTime& time);
    // Converts clock seconds in place to musical time; other modes are left alone.
    void GetNormalizedTime(MCTime& time);
    // Sets the tempo of each pause mark, then the clock time of every mark. The first mark is
    // moved to time 0. Inside a batch it only notes that they are due.
    void RecalculateClockTimes();
    // After marks of the map moved in place or their anchor groups changed: the first mark moves
    // to time 0, the pause tempos are set (in a batch, when the batch ends) and the clock times
    // are worked out when next asked for. A map without pause marks does this in constant time.
    void MarksChanged();
    // After an anchor group of the map came or went: the first mark moves to time 0, the pause
    // tempos of its marks and of those hanging on them are set (in a batch, when the batch ends)
    // and the clock times are worked out when next asked for.
    void GroupChanged(const MCEventList& group);
    // Works out the pause tempos a batch left behind and the clock times a change left behind;
    // otherwise does nothing.
    void UpdateClockTimes();
    // Whether a change left the clock times or pause tempos to be worked out.
    bool ClockTimesDue() const { return m_clocksStale || m_pausesStale || !m_pausesDue.empty(); }

    // A batch of changes, as a file read mark by mark makes: between BeginBatch and the last
    // EndBatch, adding and removing marks and RecalculateClockTimes leave the clock times and
    // pause tempos alone (the first mark still moves to time 0 at once); the end sets the pause
    // tempos once. A conversion asked for meanwhile works everything out first and is exact.
    void BeginBatch() { ++m_batchDepth; }
    void EndBatch();

private:
    // A mark's clock time as it stands, with no update first.
    static double clockOf(const ECTempo* mark);
    // The marks in time order, as the child list holds them.
    const std::vector<ECTempo*>& marks();
    void rebuildMarks();
    // The pause tempos and the clock times, now, whatever a batch says.
    void recalculate();
    // The tempo of each pause mark, from the marks before it and its group.
    void setPauseTempos();
    // The tempo a pause mark holds: the tempo before it slowed for a pause head, else the tempo
    // before its group's head.
    float pauseTempoOf(ECTempo* mark);
    // Notes the mark's pause tempo as due (when the map may hold pauses).
    void notePause(ECBase* mark);
    // Notes as due the pause tempos that hang on the marks before the mark: its own, and those of
    // the group it heads.
    void notePlace(ECEnvPoint* mark);
    // Sets the pause tempos noted as due, earliest first, and those that hang on a tempo that
    // changed meanwhile; a pause tempo hangs on marks before it only, so each is set once.
    void settlePauses();
    // The clock time of every mark, each from the one before; the first mark moves to time 0.
    void setClockTimes();
    // The first mark stands at time 0.
    void pinFirstMark();
    // After marks came or went: the first mark moves to time 0, the pause tempos noted as due are
    // set (in a batch, when the batch ends) and the clock times are due.
    void placesChanged();

    std::vector<ECTempo*> m_marks;
    // Marks whose pause tempos are due: they may have changed with the marks before them.
    std::vector<plat::RefPtr<ECTempo>> m_pausesDue;
    int m_batchDepth = 0;
    // The pause tempos are due (a batch left them behind).
    bool m_pausesStale = false;
    // The clock times are due.
    bool m_clocksStale = false;
    // Whether the map may hold a pause mark: cleared only by setting the pause tempos and finding
    // none, so that a map without pauses skips that pass on every change.
    bool m_mayHavePauses = true;
};
