#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECEnvPoint.h"
#include "notabase/values/MCTime.h"

// A transposition mark: a point of an envelope that transposes playback for a duration.
class NOTABASE_API ECTranspose : public ECEnvPoint {
    PLAT_DECLARE_SERIAL(ECTranspose)
public:
    // Type 0, lasting 4 quarter notes.
    ECTranspose();
    ECTranspose(unsigned char type, const MCTime& duration);
    // Takes the time and the duration too.
    ECTranspose(const ECTranspose& other);
    // The point (not its time) and the type; not the duration.
    ECTranspose& operator=(const ECTranspose& other);
    // Equal types and durations.
    bool operator==(const ECTranspose& other) const
    {
        return GetTransposeType() == other.GetTransposeType() && m_duration == other.m_duration;
    }
    bool operator!=(const ECTranspose& other) const { return !(*this == other); }

    // The ECEnvPoint record, the type byte, the duration.
    void Serialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;
    MCTime* GetDuration() override { return &m_duration; }
    void SetDuration(const MCTime* duration) override;

    // Every type lasts.
    static int HasDuration(unsigned char) { return 1; }

    // All eight bits.
    unsigned char GetTransposeType() const { return static_cast<unsigned char>((GetFlags() >> 8) & 0xFF); }
    void SetTransposeType(unsigned char type);

private:
    // The whole second byte of the flags, as it is stored and copied.
    void setTypeByte(int byte) { SetFlags(static_cast<uint16_t>((GetFlags() & 0x00FF) | ((byte & 0xFF) << 8))); }

    MCTime m_duration{4.0f};
};
