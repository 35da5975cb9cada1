#include "notabase/model/ECWithTime.h"

#include "notabase/model/ECPerformanceBase.h"
#include "notabase/model/EventTypes.h"
#include "platform/core/Archive.h"

PLAT_IMPLEMENT_SERIAL(ECWithTime, ECBase, plat::kVersionableSchema | 2)

ECWithTime::ECWithTime() : m_time(MCTime::TimeNull())
{
}

ECWithTime::ECWithTime(const ECWithTime& other) : ECBase(other), m_time(other.m_time), m_voiceTrack(other.m_voiceTrack)
{
}

ECWithTime& ECWithTime::operator=(const ECWithTime& other)
{
    ECBase::operator=(other);
    m_voiceTrack = other.m_voiceTrack;
    return *this;
}

ECBase* ECWithTime::Copy(plat::Object* other)
{
    if (auto* element = plat::dynamicDowncast<ECWithTime>(other))
        *this = *element;
    return this;
}

int ECWithTime::GetEventId() const
{
    return EventId::WithTime;
}

void ECWithTime::SetTime(const MCTime* time)
{
    if (time)
        m_time = *time;
}

void ECWithTime::SetVoiceTrack(int voice, int track)
{
    m_voiceTrack.SetVoiceTrack(voice, track);
}

void ECWithTime::SetVoiceTrack(const MCVoiceTrack* voiceTrack)
{
    if (voiceTrack)
        m_voiceTrack = *voiceTrack;
}

void ECWithTime::Serialize(plat::Archive& archive)
{
    ECBase::Serialize(archive);
    if (archive.isStoring()) {
        m_time.Serialize(archive, -1);
        archive.writeU16(m_voiceTrack.GetValue());
    } else {
        m_time.Serialize(archive, ECPerformanceBase::GetActiveVersion(archive));
        m_voiceTrack.SetValue(archive.readU16());
    }
}
