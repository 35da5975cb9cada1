#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECWithTime.h"
#include "notabase/model/MCMirrored.h"

#include <cstdint>

// A clef of a measure: holds from its time until the next clef of the same hand. Its type and
// its hand live in the element's flags.
class NOTABASE_API ECClef : public ECWithTime, public MCMirrored {
    PLAT_DECLARE_SERIAL(ECClef)
public:
    ECClef();
    // Hand 0; the type is the argument's low 7 bits.
    explicit ECClef(unsigned char type);
    // Takes the time, the type and the hand; not the mirrors.
    ECClef(const ECClef& other);
    // Takes the voice/track word, the type and the hand; not the time nor the mirrors.
    ECClef& operator=(const ECClef& other);
    bool operator==(const ECClef& other) const { return clefByte() == other.clefByte(); }
    bool operator!=(const ECClef& other) const { return !(*this == other); }

    // The ECWithTime record, then one byte: the type and the hand in bit 7. Documents before
    // version 3 hold two bytes, the type and the hand.
    void Serialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;
    // Under a staff, the staff's cache follows the element to its new time.
    void SetTime(const MCTime* time) override;

    unsigned char GetClefType() const { return clefByte() & 0x7F; }
    void SetClefType(unsigned char type) { setClefByte(static_cast<uint8_t>((clefByte() & 0x80) | (type & 0x7F))); }
    unsigned char GetHand() const { return (clefByte() >> 7) & 1; }
    void SetHand(unsigned char hand) { setClefByte(static_cast<uint8_t>((clefByte() & 0x7F) | ((hand & 1) << 7))); }

private:
    uint8_t clefByte() const { return static_cast<uint8_t>(GetFlags() >> 8); }
    void setClefByte(uint8_t byte) { SetFlags(static_cast<uint16_t>((GetFlags() & 0x00FF) | (byte << 8))); }
};
