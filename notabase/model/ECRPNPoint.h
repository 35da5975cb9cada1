#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECEnvPoint.h"

// A value of a registered parameter at a time, with the parameter's two bytes: a point of an RPN envelope.
class NOTABASE_API ECRPNPoint : public ECEnvPoint {
    PLAT_DECLARE_SERIAL(ECRPNPoint)
public:
    ECRPNPoint() = default;
    ECRPNPoint(unsigned char msb, unsigned char lsb);
    ECRPNPoint(const ECRPNPoint& other) = default;
    // The point (not its time) and both parameter bytes.
    ECRPNPoint& operator=(const ECRPNPoint& other);
    // Equal parameter bytes.
    bool operator==(const ECRPNPoint& other) const { return m_msb == other.m_msb && m_lsb == other.m_lsb; }
    bool operator!=(const ECRPNPoint& other) const { return !(*this == other); }

    // The ECEnvPoint record, then the two parameter bytes.
    void Serialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;

    void GetRPNValue(unsigned char& msb, unsigned char& lsb) const
    {
        msb = m_msb;
        lsb = m_lsb;
    }
    void SetRPNValue(unsigned char msb, unsigned char lsb)
    {
        m_msb = msb;
        m_lsb = lsb;
    }

private:
    unsigned char m_msb = 0;
    unsigned char m_lsb = 0;
};
