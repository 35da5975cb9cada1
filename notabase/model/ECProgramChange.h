#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECEnvPoint.h"

// A program change at a time: a point of a patch envelope whose value is the patch value
// (bank MSB x 16384 + bank LSB x 128 + program, see ECPatchEnv). It also carries the two bank
// bytes; they are not stored, since the patch value holds the bank.
class NOTABASE_API ECProgramChange : public ECEnvPoint {
    PLAT_DECLARE_SERIAL(ECProgramChange)
public:
    ECProgramChange() = default;
    ECProgramChange(const ECProgramChange& other) = default;
    // The point (not its time) and both bank bytes.
    ECProgramChange& operator=(const ECProgramChange& other);
    // Equal bank bytes.
    bool operator==(const ECProgramChange& other) const
    {
        return m_bankMSB == other.m_bankMSB && m_bankLSB == other.m_bankLSB;
    }
    bool operator!=(const ECProgramChange& other) const { return !(*this == other); }

    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;

    unsigned char GetBankMSB() const { return m_bankMSB; }
    void SetBankMSB(unsigned char msb) { m_bankMSB = msb; }
    unsigned char GetBankLSB() const { return m_bankLSB; }
    void SetBankLSB(unsigned char lsb) { m_bankLSB = lsb; }

private:
    unsigned char m_bankMSB = 0;
    unsigned char m_bankLSB = 0;
};
