#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECEnvPoint.h"

// What the registered and non-registered parameter points share: a value at a time with the
// parameter's two bytes and their record. It has no run-time class of its own, so each
// subclass keeps ECEnvPoint as its stored base.
class NOTABASE_API ECParameterPoint : public ECEnvPoint {
public:
    // The ECEnvPoint record, then the two parameter bytes.
    void Serialize(plat::Archive& archive) override;

protected:
    ECParameterPoint() = default;
    ECParameterPoint(unsigned char msb, unsigned char lsb);
    ECParameterPoint(const ECParameterPoint& other) = default;
    // The point (not its time) and both parameter bytes.
    ECParameterPoint& operator=(const ECParameterPoint& other);

    bool SameBytes(const ECParameterPoint& other) const { return m_msb == other.m_msb && m_lsb == other.m_lsb; }
    void GetBytes(unsigned char& msb, unsigned char& lsb) const
    {
        msb = m_msb;
        lsb = m_lsb;
    }
    void SetBytes(unsigned char msb, unsigned char lsb)
    {
        m_msb = msb;
        m_lsb = lsb;
    }

private:
    unsigned char m_msb = 0;
    unsigned char m_lsb = 0;
};
