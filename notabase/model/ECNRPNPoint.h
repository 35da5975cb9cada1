#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECEnvPoint.h"

// A value of a non-registered parameter at a time, with the parameter's two bytes: a point of an NRPN envelope.
class NOTABASE_API ECNRPNPoint : public ECEnvPoint {
    PLAT_DECLARE_SERIAL(ECNRPNPoint)
public:
    ECNRPNPoint() = default;
    ECNRPNPoint(unsigned char msb, unsigned char lsb);
    ECNRPNPoint(const ECNRPNPoint& other) = default;
    // The point (not its time) and both parameter bytes.
    ECNRPNPoint& operator=(const ECNRPNPoint& other);
    // Equal parameter bytes.
    bool operator==(const ECNRPNPoint& other) const { return m_msb == other.m_msb && m_lsb == other.m_lsb; }
    bool operator!=(const ECNRPNPoint& other) const { return !(*this == other); }

    // The ECEnvPoint record, then the two parameter bytes.
    void Serialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;

    void GetNRPNValue(unsigned char& msb, unsigned char& lsb) const
    {
        msb = m_msb;
        lsb = m_lsb;
    }
    void SetNRPNValue(unsigned char msb, unsigned char lsb)
    {
        m_msb = msb;
        m_lsb = lsb;
    }

private:
    unsigned char m_msb = 0;
    unsigned char m_lsb = 0;
};
