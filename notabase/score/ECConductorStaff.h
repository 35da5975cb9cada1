#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/score/ECStaff.h"
#include "notabase/score/MCGroup.h"
#include "notabase/values/MCTime.h"

#include <unordered_set>
#include <vector>

class ECConductor;
class ECConductorMeasure;
class ECMeasure;
class ECMeter;
class ECMeterEnv;
class ECPerformanceBase;
class ECTempoEnv;
class MCEventList;

// The master staff of a piece, track 0 of the conductor. It keeps what spans all staves: the
// numbered staves, the bars (one conductor measure each, knowing the measure of that bar on
// every staff) with the end of the last bar, the staff groups, and the tempo and meter maps,
// which it makes on first use. It renumbers the staves, and the elements under them, when one
// is inserted or removed, and gives a new staff a measure for every bar.
//
// Staff numbers are positions in the staves table, from 1; number 0 is the conductor staff. Bar
// numbers are from 1 (bar number n is bar index n - 1); bar 0 starts at time 0 and each bar
// starts where the one before ends. A bar lookup by time starts from the bar found last, so
// lookups at advancing times cost a step; any other costs a binary search.
class NOTABASE_API ECConductorStaff : public ECStaff {
    PLAT_DECLARE_SERIAL(ECConductorStaff)
public:
    // A time lookup appends bars up to the time asked for, but never past this many bars: a time
    // far beyond the music would otherwise append bars until memory runs out.
    static constexpr int maxAppendedMeasureCount = 65536;
    // The length of a bar made without a meter.
    static constexpr float defaultMeasureLength = 4.0f;

    ECConductorStaff();
    ECConductorStaff(ECConductor* conductor, ECPerformanceBase* performance);
    ECConductorStaff(const ECConductorStaff&) = delete;
    // The staff part only.
    ECConductorStaff& operator=(const ECConductorStaff& other);

    // The ECStaff record, then references to the conductor and the performance, the staff count,
    // the last bar index, the end time and (read from version 3 on) references to the tempo and
    // meter maps. The staves and bars tables and the staff groups are written by the second pass.
    void Serialize(plat::Archive& archive) override;
    void PostSerialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;
    // A tempo or meter map added as a child becomes the piece's map.
    int AddChild(ECBase* child, int sorted) override;
    int RemoveChild(ECBase* child, int recursive) override;
    // Also forgets the maps and the bars, which are children.
    int RemoveChildren(int recursive) override;

    ECConductor* GetConductor() const { return m_conductor; }
    // The performance the staff's commands are applied to: its conductor's, looked up again
    // whenever the conductor has moved.
    ECPerformanceBase* GetPerformance();

    // The maps, made on first use and added by a synchronous command applied to the performance;
    // null when that cannot run.
    ECTempoEnv* GetTempoEnv();
    ECMeterEnv* GetMeterEnv();

    // 0 for the conductor staff, -1 for a staff that is not one of the piece's.
    int GetStaffNumber(const ECStaff* staff) const;
    // The staff of a number from 0 to the staff count. With create, a number past the staves
    // appends a new staff (through a synchronous CCAddTrack), which gets the next number.
    ECStaff* GetStaff(int number, int create);
    // Gives the staff the number index (or the next one, when index is outside 1 .. count + 1),
    // moving the staves from there up by one with everything under them, adds it to the
    // conductor, and registers a measure of it for every bar: its own measures in time order,
    // new ones when it has too few. Returns the number; -1 without a conductor, or when the piece
    // has MCVoiceTrack::lastTrack staves already.
    int InsertStaff(ECStaff* staff, int index);
    // Takes the staff out of the conductor and the bars, moving the staves after it down by one.
    // Its measures stay with it.
    void RemoveStaff(ECStaff* staff);
    // Orders the staves table, and the bars' tables, by track number.
    void OrderStaves();
    // Builds the clef and key cache of every staff anew from its measures.
    void RebuildStaffCaches();

    // The staff groups, which follow the staves as they are inserted and removed.
    MCGroup& GetGroup() { return m_groups; }
    // Groups the staves first..last; 1 with the new group's ID in group, 0 when refused.
    int GroupStaves(int first, int last, int kind, int& group);
    int RemoveGroup(int group);
    // 0 with the outputs untouched when no group has the ID.
    int GetGroupInfo(int group, int& first, int& last, int& kind) const;

    int GetMaxStaffNumber() const { return static_cast<int>(m_staves.size()) - 1; }
    int GetMaxMeasureNumber() const { return static_cast<int>(m_conductorMeasures.size()); }
    const MCTime& GetMaxMeasureEndTime() const { return m_endTime; }

    // The number of the bar holding the time; 0 before time 0, the last bar's number at and past
    // the end.
    int GetMeasureNumberAtTime(const MCTime& time);
    // The number of the last bar that begins before the time.
    int GetMeasureNumberBeforeTime(const MCTime& time);
    // The measure of a staff in the bar holding the time. With create, a missing staff is made,
    // and bars are appended (count at a time, at least one) until one holds the time.
    ECMeasure* GetMeasure(int track, const MCTime& time, int create, int count);
    ECMeasure* GetMeasure(int track, int number);
    // Empties the list and fills it with the measures of a staff (of every track, conductor
    // measures first, for track 2046) in the bars first .. last, or in the bars from the one
    // holding `from` to the last one beginning before `to`. 1 when the list is not empty.
    int GetMeasures(int track, const MCTime& from, const MCTime& to, MCEventList& list);
    int GetMeasures(int track, int first, int last, MCEventList& list);

    // The operations of the measure commands. They change the bars tables and the end time; moving
    // the bars after them and what they hold is left to the caller.
    //
    // The bar holding the time; with create, bars are appended as GetMeasure says.
    ECConductorMeasure* GetConductorMeasureAtTime(const MCTime& time, int create, int count);
    // Inserts count new bars of the meter's length (4 quarter notes without one) before the bar
    // index (at the end when index is outside the bars), the first at the time given.
    int InsertMeasures(int index, int count, MCTime time, ECMeter* meter);
    // Puts back bars from the measures of a list (a measure command's saved bars): as many bars
    // as the list holds conductor measures, each taking the list's conductor measure and, for
    // every staff, the first measure of that staff's track; what is missing is made anew. 0 for a
    // list without a conductor measure.
    int InsertMeasures(int index, MCEventList& list, MCTime time, ECMeter* meter);
    // Takes count bars from the index out of the tables, the last first, shortening the piece by
    // the bar length of the meter in force at each. The measures stay children of their staves.
    int RemoveMeasures(int index, int count);
    // Moves the end of the piece, for a command that changed the length of bars in place
    // (ECConductorMeasure::SetMeasureTime) and moved what follows them.
    void MoveEndTime(const MCTime& delta) { m_endTime += delta; }
    // Works out anew what the maps derive from their points' times (the meters' bar positions,
    // the tempo marks' clock times), after a command moved the points; a map not made yet stays
    // unmade.
    void RecalculateMaps();

private:
    int lastMeasureIndex() const { return static_cast<int>(m_conductorMeasures.size()) - 1; }
    float measureLengthOf(ECMeter* meter) const;
    // The last bar whose time is not after the time, from the cursor or by binary search; -1
    // before bar 0.
    int findMeasureIndex(float time);
    void renumberStaves(int from, int delta);

    ECConductor* m_conductor = nullptr;
    ECPerformanceBase* m_performance = nullptr;
    // Entry 0 is this staff; entry n is staff number n. No references: the staves are the
    // conductor's children.
    std::vector<ECStaff*> m_staves;
    // The entries of the table, so that asking for the number of a staff that is not one of them
    // (a staff being added or taken out) costs no search.
    std::unordered_multiset<const ECStaff*> m_stavesHeld;
    int m_measureCursor = 0;
    MCTime m_endTime{0.0f};
    // The bars in order; no references: they are this staff's children.
    std::vector<ECConductorMeasure*> m_conductorMeasures;
    MCGroup m_groups;
    ECTempoEnv* m_tempoEnv = nullptr;
    ECMeterEnv* m_meterEnv = nullptr;
    // The counts a load read, checked against the tables of the second pass.
    int m_loadedStaffCount = -1;
    int m_loadedLastMeasureIndex = -1;
};
