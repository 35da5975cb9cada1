#include "notabase/model/ECWithTimeChild.h"

#include "notabase/model/ECPerformanceBase.h"
#include "notabase/model/EventTypes.h"
#include "platform/core/Archive.h"

PLAT_IMPLEMENT_SERIAL(ECWithTimeChild, ECWithChild, plat::kVersionableSchema | 2)

ECWithTimeChild::ECWithTimeChild() = default;

ECWithTimeChild::ECWithTimeChild(const ECWithTimeChild& other)
    : ECWithChild(other), m_timeVoiceTrack(other.m_timeVoiceTrack)
{
}

ECWithTimeChild& ECWithTimeChild::operator=(const ECWithTimeChild& other)
{
    ECWithChild::operator=(other);
    m_timeVoiceTrack.voiceTrack = other.m_timeVoiceTrack.voiceTrack;
    return *this;
}

ECBase* ECWithTimeChild::Copy(plat::Object* other)
{
    if (auto* element = plat::dynamicDowncast<ECWithTimeChild>(other))
        *this = *element;
    return this;
}

int ECWithTimeChild::GetEventId() const
{
    return EventId::WithTimeChild;
}

void ECWithTimeChild::SetTime(const MCTime* time)
{
    if (time)
        m_timeVoiceTrack.time = *time;
}

void ECWithTimeChild::SetVoiceTrack(int voice, int track)
{
    m_timeVoiceTrack.voiceTrack.SetVoiceTrack(voice, track);
}

void ECWithTimeChild::SetVoiceTrack(const MCVoiceTrack* voiceTrack)
{
    if (voiceTrack)
        m_timeVoiceTrack.voiceTrack = *voiceTrack;
}

void ECWithTimeChild::Serialize(plat::Archive& archive)
{
    ECWithChild::Serialize(archive);
    m_timeVoiceTrack.Serialize(archive, ECPerformanceBase::GetActiveVersion(archive));
}
