#include "notabase/model/ECParameterEnv.h"

#include "platform/core/Archive.h"

namespace {

// Schema 3 of the subclasses adds the parameter number to the record.
constexpr uint32_t firstSchemaWithParameter = 3;

}  // namespace

ECParameterEnv::ECParameterEnv()
{
    Set14Bit(1);
}

ECParameterEnv::ECParameterEnv(const ECParameterEnv& other)
    : ECEnvelope(other), m_msb(other.m_msb), m_lsb(other.m_lsb)
{
    setFlagByte(other.Is14Bit());
}

ECParameterEnv& ECParameterEnv::operator=(const ECParameterEnv& other)
{
    ECEnvelope::operator=(other);
    m_msb = other.m_msb;
    m_lsb = other.m_lsb;
    setFlagByte(other.Is14Bit());
    return *this;
}

void ECParameterEnv::SetParameter(int msb, int lsb)
{
    if (msb < 0 || msb > 127 || lsb < 0 || lsb > 127)
        return;
    m_msb = static_cast<unsigned char>(msb);
    m_lsb = static_cast<unsigned char>(lsb);
}

void ECParameterEnv::Set14Bit(int value)
{
    setFlagByte(value);
    SetLimits(0.0f, Is14Bit() ? 16383.0f : 127.0f);
}

void ECParameterEnv::Serialize(plat::Archive& archive)
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
        SetParameter(msb, lsb);
    }
}
