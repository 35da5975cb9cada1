#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECBase.h"

#include <cstdint>

// A bracket or brace mark of a conductor measure, drawn for one staff group: it names the
// group by its ID, and whether the group is a primary one.
class NOTABASE_API ECBrac : public ECBase {
    PLAT_DECLARE_SERIAL(ECBrac)
public:
    ECBrac() = default;
    // The type is the argument's low 7 bits.
    explicit ECBrac(unsigned char type);
    ECBrac(const ECBrac& other);
    // Takes the bracket type, the group ID and the primary flag.
    ECBrac& operator=(const ECBrac& other);
    bool operator==(const ECBrac& other) const;
    bool operator!=(const ECBrac& other) const { return !(*this == other); }

    // The element record head, one byte (the bracket type and the primary flag in bit 7),
    // then the group ID. Records stored before the ID was (class schema below 3) load with ID 0.
    void Serialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;

    unsigned char GetBracType() const { return static_cast<unsigned char>((GetFlags() >> 8) & 0x7F); }
    // The low 7 bits; the primary flag is kept.
    void SetBracType(unsigned char type);
    int GetGroupID() const { return m_groupId; }
    int GetPrimary() const { return (GetFlags() & flagPrimary) ? 1 : 0; }
    // The ID and the low bit of primary.
    void SetGroupID(unsigned char id, int primary);

private:
    static constexpr uint16_t flagPrimary = 0x8000;

    uint8_t m_groupId = 0;
};
