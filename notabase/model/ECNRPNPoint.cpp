#include "notabase/model/ECNRPNPoint.h"

#include "notabase/model/EventTypes.h"
#include "platform/core/Archive.h"

PLAT_IMPLEMENT_SERIAL(ECNRPNPoint, ECEnvPoint, plat::kVersionableSchema | 2)

ECNRPNPoint::ECNRPNPoint(unsigned char msb, unsigned char lsb) : m_msb(msb), m_lsb(lsb)
{
}

ECNRPNPoint& ECNRPNPoint::operator=(const ECNRPNPoint& other)
{
    ECEnvPoint::operator=(other);
    m_msb = other.m_msb;
    m_lsb = other.m_lsb;
    return *this;
}

ECBase* ECNRPNPoint::Copy(plat::Object* other)
{
    if (auto* point = plat::dynamicDowncast<ECNRPNPoint>(other))
        *this = *point;
    return this;
}

int ECNRPNPoint::GetEventId() const
{
    return EventId::NRPNPoint;
}

int ECNRPNPoint::GetParentTypes(std::vector<int>& types) const
{
    types.push_back(EventId::NRPNEnv);
    return static_cast<int>(types.size());
}

void ECNRPNPoint::Serialize(plat::Archive& archive)
{
    ECEnvPoint::Serialize(archive);
    if (archive.isStoring()) {
        archive.writeU8(m_msb);
        archive.writeU8(m_lsb);
        return;
    }
    m_msb = archive.readU8();
    m_lsb = archive.readU8();
}
