#include "notabase/model/ECRPNEnv.h"

#include "notabase/model/EventTypes.h"
#include "platform/core/Archive.h"

// Schema 3 adds the parameter number to the record.
PLAT_IMPLEMENT_SERIAL(ECRPNEnv, ECEnvelope, plat::kVersionableSchema | 3)

namespace {

constexpr uint32_t firstSchemaWithParameter = 3;

}  // namespace

ECRPNEnv::ECRPNEnv()
{
    Set14Bit(1);
}

ECRPNEnv::ECRPNEnv(const ECRPNEnv& other) : ECEnvelope(other), m_msb(other.m_msb), m_lsb(other.m_lsb)
{
    setFlagByte(other.Is14Bit());
}

ECRPNEnv& ECRPNEnv::operator=(const ECRPNEnv& other)
{
    ECEnvelope::operator=(other);
    m_msb = other.m_msb;
    m_lsb = other.m_lsb;
    setFlagByte(other.Is14Bit());
    return *this;
}

void ECRPNEnv::SetRPNType(int msb, int lsb)
{
    if (msb < 0 || msb > 127 || lsb < 0 || lsb > 127)
        return;
    m_msb = static_cast<unsigned char>(msb);
    m_lsb = static_cast<unsigned char>(lsb);
}

void ECRPNEnv::Set14Bit(int value)
{
    setFlagByte(value);
    SetLimits(0.0f, Is14Bit() ? 16383.0f : 127.0f);
}

ECBase* ECRPNEnv::Copy(plat::Object* other)
{
    if (auto* envelope = plat::dynamicDowncast<ECRPNEnv>(other))
        *this = *envelope;
    return this;
}

int ECRPNEnv::GetEventId() const
{
    return EventId::RPNEnv;
}

int ECRPNEnv::GetParentTypes(std::vector<int>& types) const
{
    types.insert(types.end(), {EventId::Staff});
    return static_cast<int>(types.size());
}

void ECRPNEnv::Serialize(plat::Archive& archive)
{
    ECEnvelope::Serialize(archive);
    // The parameter number says which parameter the values are for: without it a loaded
    // envelope would drive parameter 0/0.
    if (archive.isStoring()) {
        archive.writeU8(static_cast<uint8_t>(Is14Bit()));
        archive.writeU8(m_msb);
        archive.writeU8(m_lsb);
        return;
    }
    setFlagByte(archive.readU8());
    if (archive.objectSchema() >= firstSchemaWithParameter) {
        const int msb = archive.readU8();
        const int lsb = archive.readU8();
        SetRPNType(msb, lsb);
    }
}
