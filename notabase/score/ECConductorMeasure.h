#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/score/ECMeasure.h"

#include <vector>

class ECConductorStaff;
class MCEventList;

// One bar of the piece: a measure of the conductor staff (holding the bar's barlines and
// brackets) that knows the measure of that bar on every staff, by staff number. Entry 0 is the
// conductor measure itself. The array holds no references: the measures belong to their staves.
class NOTABASE_API ECConductorMeasure : public ECMeasure {
    PLAT_DECLARE_SERIAL(ECConductorMeasure)
public:
    // Track numbers meaning every track in a lookup.
    static constexpr int allTracks = 2046;

    // Voice 14, track 0.
    ECConductorMeasure();
    explicit ECConductorMeasure(const MCTime& time);

    // The ECWithTimeChild record, then the last track. The measures themselves are written by
    // the second pass.
    void Serialize(plat::Archive& archive) override;
    // The measures on the tracks: a count, then a reference to each.
    void PostSerialize(plat::Archive& archive) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;

    // The measure of this bar on a staff; null outside 0 .. last track.
    ECMeasure* GetMeasureOnTrack(int track) const;
    std::vector<ECMeasure*>& GetMeasures() { return m_measures; }
    int GetLastTrack() const { return static_cast<int>(m_measures.size()) - 1; }
    // Empties the list, then appends what the track's measure holds (the measure first), for
    // every track 0 .. last track when the track is 2046. 1 when the list is not empty.
    int GetMeasureEvents(int track, MCEventList& list);
    // Moves this bar, with the measure of every staff.
    void SetMeasureTime(const MCTime* time);

protected:
    friend class ECConductorStaff;

    // Inserts at the track, later entries moving up one; returns the new last track.
    int AddMeasureOnTrack(ECMeasure* measure, int track);
    // Takes out the entry of a track, later entries moving down one; null outside the array.
    ECMeasure* RemoveMeasureOnTrack(int track);
    // Empties the array, the conductor measure's own entry too.
    void RemoveMeasures();
    // Orders the staves' entries by their track numbers.
    void OrderMeasures();

private:
    std::vector<ECMeasure*> m_measures;
};
