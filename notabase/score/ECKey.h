#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECWithTime.h"
#include "notabase/model/MCMirrored.h"

#include <cstdint>

// A key signature of a measure: holds from its time until the next key of the same hand. Its
// counts of sharps and flats, its mode and its hand (the upper or lower part of a two-handed
// staff) live in the element's flags.
class NOTABASE_API ECKey : public ECWithTime, public MCMirrored {
    PLAT_DECLARE_SERIAL(ECKey)
public:
    ECKey();
    // Hand 0.
    ECKey(unsigned char sharps, unsigned char flats, unsigned char mode);
    // Takes the time and the four values; not the mirrors.
    ECKey(const ECKey& other);
    // Takes the voice/track word and the four values; not the time nor the mirrors.
    ECKey& operator=(const ECKey& other);
    // Equal sharps, flats, mode and hand.
    bool operator==(const ECKey& other) const { return keyByte() == other.keyByte(); }
    bool operator!=(const ECKey& other) const { return !(*this == other); }

    // The ECWithTime record, then one byte: sharps, flats, mode and hand. Documents before
    // version 3 hold a signed key number (sharps above 0, flats below) and two unused bytes.
    void Serialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;
    // Under a staff, the staff's cache follows the element to its new time.
    void SetTime(const MCTime* time) override;

    // Each setter keeps the low bits that fit: three for the counts, one for mode and hand.
    unsigned char GetNumSharps() const { return keyByte() & 0x07; }
    void SetNumSharps(unsigned char sharps) { setBits(0x07, sharps); }
    unsigned char GetNumFlats() const { return (keyByte() >> 3) & 0x07; }
    void SetNumFlats(unsigned char flats) { setBits(0x38, static_cast<unsigned char>(flats << 3)); }
    int GetMode() const { return (keyByte() >> 6) & 1; }
    void SetMode(int mode) { setBits(0x40, static_cast<unsigned char>((mode & 1) << 6)); }
    unsigned char GetHand() const { return (keyByte() >> 7) & 1; }
    void SetHand(unsigned char hand) { setBits(0x80, static_cast<unsigned char>((hand & 1) << 7)); }

private:
    uint8_t keyByte() const { return static_cast<uint8_t>(GetFlags() >> 8); }
    void setKeyByte(uint8_t byte) { SetFlags(static_cast<uint16_t>((GetFlags() & 0x00FF) | (byte << 8))); }
    void setBits(uint8_t mask, uint8_t bits) { setKeyByte(static_cast<uint8_t>((keyByte() & ~mask) | (bits & mask))); }
};
