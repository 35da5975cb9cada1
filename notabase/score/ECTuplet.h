#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECWithTimeChild.h"

#include <cstdint>
#include <vector>

class ECMeasure;
class ECMeter;

// Notes, rests and chords of a measure played in a time other than their written one: a number
// of written units (the irregular count) takes the time of another number of the same units
// (the normal count), as three eighths in the time of two. To place its group in the measure
// the tuplet builds a borrowed meter: the measure's meter with the beats the tuplet covers
// regrouped into tuplet groups. A tuplet with a count of 0 plays nothing and cannot be placed.
class NOTABASE_API ECTuplet : public ECWithTimeChild {
    PLAT_DECLARE_SERIAL(ECTuplet)
public:
    // Codes of the written unit; lengths in quarter notes from GetUnitsAsTime.
    enum : unsigned char { unitsWhole = 0, unitsHalf = 1, unitsQuarter = 2, unitsEighth = 3 };
    // The units code of no standard note value.
    static constexpr unsigned char noUnits = 255;

    // Three eighths in the time of two.
    ECTuplet();
    ECTuplet(unsigned char irregular, unsigned char normal, unsigned char units);
    // Takes the time and the three values.
    ECTuplet(const ECTuplet& other);
    // Takes the voice/track word and the three values; not the time.
    ECTuplet& operator=(const ECTuplet& other);
    bool operator==(const ECTuplet& other) const;
    bool operator!=(const ECTuplet& other) const { return !(*this == other); }

    // The ECWithTimeChild record, then irregular, normal and units, a byte each. Records of
    // class schema below 2 have no units byte: they are eighth-note tuplets.
    void Serialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;
    // Removes the child; a tuplet left without children leaves its parents.
    int RemoveChild(ECBase* child, int recursive) override;
    // Removes every child, then leaves the parents.
    int RemoveChildren(int recursive) override;
    // Puts its members into the nearest measure above it (each once), empties itself and
    // leaves its parents.
    int RemoveFromParents() override;

    unsigned char GetIrregular() const { return m_irregular; }
    unsigned char GetNormal() const { return m_normal; }
    unsigned char GetUnits() const { return static_cast<unsigned char>(GetFlags() >> 8); }
    void SetTuplet(unsigned char irregular, unsigned char normal, unsigned char units);

    // The length in quarter notes of a units code: 0 whole, 1 half ... 7 a thirty-second; 0 for
    // -1 and unknown codes.
    static MCTime GetUnitsAsTime(int units);
    // The equivalent tuplet whose two counts lie within a factor of two of each other, with
    // the units code that keeps its length (noUnits when that is no standard note value, or
    // when a count is 0).
    static void GetEquivalentTuplet(int irregular, int normal, unsigned char units, int& outIrregular,
                                    int& outNormal, unsigned char& outUnits);
    static int CalcIrregularUnits(int irregular, int normal, unsigned char units);
    int GetIrregularUnits() const { return CalcIrregularUnits(m_irregular, m_normal, GetUnits()); }

    // The played length of a written duration inside this tuplet; the null time when a count
    // is 0.
    MCTime ScaleDuration(MCTime* duration) const;
    // Where the tuplet's group lies in its measure, relative to the measure's start: in played
    // time (mode 0) or in the borrowed meter's written time (mode 1). 0 when it cannot be
    // placed. A tuplet without a time of its own is placed by its members' times; its own time
    // is left as it is.
    int GetTupletRange(ECMeasure* measure, ECMeter* meter, MCTime& start, MCTime& end, int mode);
    // 0 the tuplet fits its measure, 1 its group ends after the measure, 2 it cannot be placed.
    int IsValid(ECMeasure* measure, ECMeter* meter);
    // Fills the borrowed meter from the measure's meter and this tuplet; 0 when no grouping
    // fits.
    int SetupBorrowedMeter(ECMeter* meter, ECMeter* borrowed);

    // The steps of the borrowed meter.
    // The note value (4 a quarter, 8 an eighth ...) that the group's written units show.
    int GetAdjustedDenominator() const;
    // Looks for a subdivision level of the meter (0 to 3) that fits a length: mode 0 a level
    // made only of that length (index: its subdivision count), mode 1 any subdivision of that
    // length, mode 2 (from level 3 up) any subdivision longer. 0, with both -1, when none.
    int FindFit(ECMeter* meter, float length, int& level, int& index, unsigned char mode) const;
    // Writes tuplet groups covering a span at a position (inserted, or set and grown), then
    // what remains in whole pulses of the meter. In insert mode the position ends at the entry
    // after the groups. 0 for a tuplet that cannot make groups.
    int FitInside(ECMeter* meter, std::vector<unsigned char>& numerators, std::vector<unsigned char>& denominators,
                  float unitLength, float span, int& position, int insert) const;

private:
    void setUnits(unsigned char units) { SetFlags(static_cast<uint16_t>((GetFlags() & 0x00FF) | (units << 8))); }
    bool hasZeroCount() const { return m_irregular == 0 || m_normal == 0; }
    // The tuplet's time, or for a tuplet without one the time of its last member that has one.
    MCTime placementTime();
    void leaveParentsWhenEmpty();

    uint8_t m_irregular = 3;
    uint8_t m_normal = 2;
};
