#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/CCBase.h"
#include "notabase/values/MCTime.h"

#include <climits>

// After bars changed length, puts every timed child of the measures of a time range into the
// measure of its staff that now holds its time, staff by staff, and appends bars at the end of
// the piece while a child, or the end of its duration, lies past the last bar. The meter commands
// run it nested, synchronously, from their own Process, and read how many bars it appended. It
// has no undo of its own: undoing a meter command re-bars and adjusts anew.
//
// It reports the runtime class of CCBase and is not made by name.
class NOTABASE_API CCAdjustMeasureChildren : public CCBase {
public:
    CCAdjustMeasureChildren();

    int GetCommandId() override;
    int Apply(ECPerformanceBase* performance) override;
    // Clamps the staff range to the staves there are and the time range to the bars there are;
    // reversed ends are swapped.
    int Prepare() override;
    int Process() override;
    int Finish() override;
    void Abort() override;

    void GetTimeRange(MCTime& start, MCTime& end) const;
    void SetTimeRange(const MCTime& start, const MCTime& end);
    void GetTrackRange(int& first, int& last) const;
    void SetTrackRange(int first, int last);
    // Measures, and the children of each, are visited from the last to the first.
    int GetReverse() const { return m_reverse; }
    void SetReverse(int reverse) { m_reverse = reverse & 1; }

    // The number (from 1) of the first bar Process appended and how many it appended; -1 and 0
    // when it appended none.
    int GetMeasureInsertLocation() const { return m_insertLocation; }
    int GetMeasureInsertCount() const { return m_insertCount; }

private:
    // Moves the children of one measure of staff `track` that now lie in another bar.
    void adjustMeasure(ECBase* measure, int track);
    // Appends bars, one at a time in the meter in force at the end, until the piece reaches the
    // time.
    void appendBarsUpTo(const MCTime& end, int track);

    int m_reverse = 0;
    int m_firstTrack = 0;
    int m_lastTrack = INT_MAX;
    int m_insertLocation = -1;
    int m_insertCount = 0;
    MCTime m_start = MCTime::TimeZero();
    MCTime m_end = MCTime::TimeMax();
};
