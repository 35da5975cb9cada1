#include "notabase/model/ECWithTime.h"

#include "notabase/model/ECPerformanceBase.h"
#include "notabase/model/EventTypes.h"
#include "platform/core/Archive.h"

PLAT_IMPLEMENT_SERIAL(ECWithTime, ECBase, plat::kVersionableSchema | 2)

ECWithTime::ECWithTime() = default;

ECWithTime::ECWithTime(const ECWithTime& other) : ECBase(other), m_timeVoiceTrack(other.m_timeVoiceTrack)
{
}

ECWithTime& ECWithTime::operator=(const ECWithTime& other)
{
    ECBase::operator=(other);
    m_timeVoiceTrack.voiceTrack = other.m_timeVoiceTrack.voiceTrack;
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
        m_timeVoiceTrack.time = *time;
}

void ECWithTime::SetVoiceTrack(int voice, int track)
{
    m_timeVoiceTrack.voiceTrack.SetVoiceTrack(voice, track);
}

void ECWithTime::SetVoiceTrack(const MCVoiceTrack* voiceTrack)
{
    if (voiceTrack)
        m_timeVoiceTrack.voiceTrack = *voiceTrack;
}

void ECWithTime::Serialize(plat::Archive& archive)
{
    ECBase::Serialize(archive);
    m_timeVoiceTrack.Serialize(archive, ECPerformanceBase::GetActiveVersion(archive));
}
