#include "notabase/model/ECParameterPoint.h"

#include "platform/core/Archive.h"

#include <algorithm>

ECParameterPoint::ECParameterPoint(unsigned char msb, unsigned char lsb) : m_msb(msb), m_lsb(lsb)
{
}

ECParameterPoint& ECParameterPoint::operator=(const ECParameterPoint& other)
{
    ECEnvPoint::operator=(other);
    m_msb = other.m_msb;
    m_lsb = other.m_lsb;
    return *this;
}

void ECParameterPoint::Serialize(plat::Archive& archive)
{
    ECEnvPoint::Serialize(archive);
    if (archive.isStoring()) {
        archive.writeU8(m_msb);
        archive.writeU8(m_lsb);
        return;
    }
    // Parameter numbers are 7-bit halves.
    m_msb = std::min<unsigned char>(archive.readU8(), 127);
    m_lsb = std::min<unsigned char>(archive.readU8(), 127);
}
