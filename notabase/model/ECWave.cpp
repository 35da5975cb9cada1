#include "notabase/model/ECWave.h"

#include "notabase/model/ECPerformanceBase.h"
#include "notabase/model/EventTypes.h"
#include "platform/core/Archive.h"

PLAT_IMPLEMENT_SERIAL(ECWave, ECWithTimeChild, plat::kVersionableSchema | 2)

ECWave::ECWave()
{
    SetTime(&MCTime::TimeZero());
}

ECWave::ECWave(const std::string& fileName) : ECWave()
{
    m_fileName = fileName;
}

ECWave::ECWave(const MCTime& time, const std::string& fileName) : m_fileName(fileName)
{
    SetTime(&time);
}

ECWave::ECWave(const ECWave& other) : ECWithTimeChild(other), m_fileName(other.m_fileName)
{
}

ECWave& ECWave::operator=(const ECWave& other)
{
    ECWithTimeChild::operator=(other);
    m_fileName = other.m_fileName;
    return *this;
}

bool ECWave::operator==(const ECWave& other) const
{
    auto& self = const_cast<ECWave&>(*this);
    auto& that = const_cast<ECWave&>(other);
    return *self.GetTime() == *that.GetTime() && m_fileName == other.m_fileName;
}

void ECWave::SetDuration(const MCTime* duration)
{
    if (duration)
        m_duration = *duration;
}

ECBase* ECWave::Copy(plat::Object* other)
{
    if (auto* wave = plat::dynamicDowncast<ECWave>(other))
        *this = *wave;
    return this;
}

int ECWave::GetEventId() const
{
    return EventId::Wave;
}

int ECWave::GetParentTypes(std::vector<int>& types) const
{
    types.push_back(EventId::WaveTrack);
    return static_cast<int>(types.size());
}

void ECWave::Serialize(plat::Archive& archive)
{
    ECWithTimeChild::Serialize(archive);
    if (archive.isStoring()) {
        archive.writeString(m_fileName);
        m_duration.Serialize(archive, -1);
        return;
    }
    m_fileName = archive.readString();
    m_duration.Serialize(archive, ECPerformanceBase::GetActiveVersion(archive));
}
