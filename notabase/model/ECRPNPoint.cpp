#include "notabase/model/ECRPNPoint.h"

#include "notabase/model/EventTypes.h"
#include "platform/core/Archive.h"

PLAT_IMPLEMENT_SERIAL(ECRPNPoint, ECEnvPoint, plat::kVersionableSchema | 2)

ECRPNPoint::ECRPNPoint(unsigned char msb, unsigned char lsb) : m_msb(msb), m_lsb(lsb)
{
}

ECRPNPoint& ECRPNPoint::operator=(const ECRPNPoint& other)
{
    ECEnvPoint::operator=(other);
    m_msb = other.m_msb;
    m_lsb = other.m_lsb;
    return *this;
}

ECBase* ECRPNPoint::Copy(plat::Object* other)
{
    if (auto* point = plat::dynamicDowncast<ECRPNPoint>(other))
        *this = *point;
    return this;
}

int ECRPNPoint::GetEventId() const
{
    return EventId::RPNPoint;
}

int ECRPNPoint::GetParentTypes(std::vector<int>& types) const
{
    types.push_back(EventId::RPNEnv);
    return static_cast<int>(types.size());
}

void ECRPNPoint::Serialize(plat::Archive& archive)
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
