#include "notabase/model/ECTranspose.h"

#include "notabase/model/ECPerformanceBase.h"
#include "notabase/model/EventTypes.h"
#include "platform/core/Archive.h"

PLAT_IMPLEMENT_SERIAL(ECTranspose, ECEnvPoint, plat::kVersionableSchema | 2)

ECTranspose::ECTranspose() = default;

ECTranspose::ECTranspose(unsigned char type, const MCTime& duration) : m_duration(duration)
{
    SetTransposeType(type);
}

ECTranspose::ECTranspose(const ECTranspose& other) : ECEnvPoint(other), m_duration(other.m_duration)
{
    setTypeByte(other.GetFlags() >> 8);
}

ECTranspose& ECTranspose::operator=(const ECTranspose& other)
{
    ECEnvPoint::operator=(other);
    setTypeByte(other.GetFlags() >> 8);
    return *this;
}

void ECTranspose::SetTransposeType(unsigned char type)
{
    setTypeByte(type);
}

void ECTranspose::SetDuration(const MCTime* duration)
{
    if (duration)
        m_duration = *duration;
}

ECBase* ECTranspose::Copy(plat::Object* other)
{
    if (auto* mark = plat::dynamicDowncast<ECTranspose>(other))
        *this = *mark;
    return this;
}

int ECTranspose::GetEventId() const
{
    return EventId::Transpose;
}

int ECTranspose::GetParentTypes(std::vector<int>& types) const
{
    types.insert(types.end(), {EventId::Envelope, EventId::ControllerEnv});
    return static_cast<int>(types.size());
}

void ECTranspose::Serialize(plat::Archive& archive)
{
    ECEnvPoint::Serialize(archive);
    if (archive.isStoring()) {
        archive.writeU8(static_cast<uint8_t>(GetFlags() >> 8));
        m_duration.Serialize(archive, -1);
        return;
    }
    setTypeByte(archive.readU8());
    m_duration.Serialize(archive, ECPerformanceBase::GetActiveVersion(archive));
}
