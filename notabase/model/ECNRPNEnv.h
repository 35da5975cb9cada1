#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECEnvelope.h"

// The values of one non-registered parameter of a staff or track over time.
class NOTABASE_API ECNRPNEnv : public ECEnvelope {
    PLAT_DECLARE_SERIAL(ECNRPNEnv)
public:
    // Parameter 0/0, 14-bit: limits 0..16383.
    ECNRPNEnv();
    ECNRPNEnv(const ECNRPNEnv& other);
    // The envelope, the parameter number and the 14-bit flag.
    ECNRPNEnv& operator=(const ECNRPNEnv& other);

    // The ECEnvelope record, the 14-bit flag, then the parameter number. Records of the first
    // layout (class schema 2) end after the flag and load parameter 0/0.
    void Serialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;

    // Stores both bytes only when both are 0..127.
    void SetNRPNType(int msb, int lsb);
    void GetNRPNType(int& msb, int& lsb) const
    {
        msb = m_msb;
        lsb = m_lsb;
    }
    // The whole flag byte: values are 14-bit when it is not 0.
    int Is14Bit() const { return GetFlags() >> 8; }
    // The flag byte becomes value & 0xFF; the limits become 0..16383, or 0..127 for 0.
    void Set14Bit(int value);

private:
    void setFlagByte(int value) { SetFlags(static_cast<uint16_t>((GetFlags() & 0x00FF) | ((value & 0xFF) << 8))); }

    unsigned char m_msb = 0;
    unsigned char m_lsb = 0;
};
