#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECControlChange.h"
#include "notabase/values/MCTime.h"

// A pedal mark: a point of a controller envelope that holds a pedal down for a duration.
class NOTABASE_API ECPedal : public ECControlChange {
    PLAT_DECLARE_SERIAL(ECPedal)
public:
    // Type 0, lasting 4 quarter notes.
    ECPedal();
    ECPedal(unsigned char type, const MCTime& duration);
    // Takes the time and the duration too.
    ECPedal(const ECPedal& other);
    // The point (not its time) and the type; not the duration.
    ECPedal& operator=(const ECPedal& other);
    // Equal types and durations.
    bool operator==(const ECPedal& other) const
    {
        return GetPedalType() == other.GetPedalType() && m_duration == other.m_duration;
    }
    bool operator!=(const ECPedal& other) const { return !(*this == other); }

    // The ECControlChange record, the type byte, the duration.
    void Serialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;
    MCTime* GetDuration() override { return &m_duration; }
    void SetDuration(const MCTime* duration) override;

    // Every type lasts.
    static int HasDuration(unsigned char) { return 1; }

    // Seven bits: a larger type keeps its low seven.
    unsigned char GetPedalType() const { return static_cast<unsigned char>((GetFlags() >> 8) & 0x7F); }
    void SetPedalType(unsigned char type);

private:
    // The whole second byte of the flags, as it is stored and copied.
    void setTypeByte(int byte) { SetFlags(static_cast<uint16_t>((GetFlags() & 0x00FF) | ((byte & 0xFF) << 8))); }

    MCTime m_duration{4.0f};
};
