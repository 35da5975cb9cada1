#include "notabase/model/ECWithTimeChild.h"

#include "notabase/model/ECPerformanceBase.h"
#include "notabase/model/EventTypes.h"
#include "platform/core/Archive.h"

PLAT_IMPLEMENT_SERIAL(ECWithTimeChild, ECWithChild, plat::kVersionableSchema | 2)

ECWithTimeChild::ECWithTimeChild() : m_time(MCTime::TimeNull())
{
}

ECWithTimeChild::ECWithTimeChild(const ECWithTimeChild& other)
    : ECWithChild(other), m_time(other.m_time), m_voiceTrack(other.m_voiceTrack)
{
}

ECWithTimeChild& ECWithTimeChild::operator=(const ECWithTimeChild& other)
{
    ECWithChild::operator=(other);
    m_voiceTrack = other.m_voiceTrack;
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
        m_time = *time;
}

void ECWithTimeChild::SetVoiceTrack(int voice, int track)
{
    m_voiceTrack.SetVoiceTrack(voice, track);
}

void ECWithTimeChild::SetVoiceTrack(const MCVoiceTrack* voiceTrack)
{
    if (voiceTrack)
        m_voiceTrack = *voiceTrack;
}

void ECWithTimeChild::Serialize(plat::Archive& archive)
{
    ECWithChild::Serialize(archive);
    if (archive.isStoring()) {
        GetTime()->Serialize(archive, -1);
        archive.writeU16(m_voiceTrack.GetValue());
    } else {
        m_time.Serialize(archive, ECPerformanceBase::GetActiveVersion(archive));
        m_voiceTrack.SetValue(archive.readU16());
    }
}
