#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/score/ECTrack.h"

// A notation staff: a track whose children are its measures, with a staff type (the inspector
// offers 0, 1, 3 and 6; type 1 staves join the staff groups as their own kind) and an empty mark
// that the sequencer keeps. The conductor staff numbers the staves.
class NOTABASE_API ECStaff : public ECTrack {
    PLAT_DECLARE_SERIAL(ECStaff)
public:
    // Type 0, empty.
    ECStaff();
    // The type is the argument's low 7 bits.
    explicit ECStaff(unsigned char staffType);
    ECStaff(const ECStaff& other);
    // The track, then the staff type; not the empty mark.
    ECStaff& operator=(const ECStaff& other);
    // Staves of one type are equal, whatever else differs.
    bool operator==(const ECStaff& other) const { return GetStaffType() == other.GetStaffType(); }
    bool operator!=(const ECStaff& other) const { return !(*this == other); }

    // The ECTrack record, then one byte: the staff type in bits 0-6, the empty mark in bit 7.
    void Serialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;

    unsigned char GetStaffType() const { return static_cast<unsigned char>((GetFlags() >> 8) & 0x7F); }
    void SetStaffType(unsigned char staffType);
    int IsStaffEmpty() const { return (GetFlags() & flagStaffEmpty) ? 1 : 0; }
    void SetStaffEmpty(int empty);

private:
    static constexpr uint16_t flagStaffEmpty = 0x8000;
};
