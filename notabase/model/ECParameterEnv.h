#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECEnvelope.h"

// What the registered and non-registered parameter envelopes share: the parameter's two
// number bytes, the 14-bit flag and their record. It has no run-time class of its own, so
// each subclass keeps ECEnvelope as its stored base.
class NOTABASE_API ECParameterEnv : public ECEnvelope {
public:
    // The envelope record, the 14-bit flag, then the parameter number. Records of the first
    // layout (class schema 2) end after the flag and load parameter 0/0.
    void Serialize(plat::Archive& archive) override;

    // The whole flag byte: values are 14-bit when it is not 0.
    int Is14Bit() const { return GetFlags() >> 8; }
    // The flag byte becomes value & 0xFF; the limits become 0..16383, or 0..127 for 0.
    void Set14Bit(int value);

protected:
    // Parameter 0/0, 14-bit: limits 0..16383.
    ECParameterEnv();
    ECParameterEnv(const ECParameterEnv& other);
    // The envelope, the parameter number and the 14-bit flag.
    ECParameterEnv& operator=(const ECParameterEnv& other);

    // Stores both bytes only when both are 0..127.
    void SetParameter(int msb, int lsb);
    void GetParameter(int& msb, int& lsb) const
    {
        msb = m_msb;
        lsb = m_lsb;
    }

private:
    void setFlagByte(int value) { SetFlags(static_cast<uint16_t>((GetFlags() & 0x00FF) | ((value & 0xFF) << 8))); }

    unsigned char m_msb = 0;
    unsigned char m_lsb = 0;
};
