#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECBase.h"

// The barline of a conductor measure: its type (0..63) and its position (0..3).
class NOTABASE_API ECBarline : public ECBase {
    PLAT_DECLARE_SERIAL(ECBarline)
public:
    ECBarline() = default;
    // Takes type and position too.
    ECBarline(const ECBarline& other);
    ECBarline& operator=(const ECBarline& other);
    // Equal types and positions.
    bool operator==(const ECBarline& other) const { return (GetFlags() >> 8) == (other.GetFlags() >> 8); }
    bool operator!=(const ECBarline& other) const { return !(*this == other); }

    // The element record head, then one byte holding type and position. Documents before
    // version 3 hold two bytes, the type and the position.
    void Serialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;

    virtual int GetBarlineType() const { return (GetFlags() >> 8) & typeMask; }
    // The low six bits.
    virtual void SetBarlineType(int type);
    virtual int GetBarlinePos() const { return (GetFlags() >> 14) & 0x03; }
    // The low two bits.
    virtual void SetBarlinePos(int position);

private:
    static constexpr int typeMask = 0x3F;

    void setByte(uint8_t byte) { SetFlags(static_cast<uint16_t>((GetFlags() & 0x00FF) | (byte << 8))); }
};
