#include "sequencer/data/DCsqSysMsg.h"

#include "notabase/model/ECBase.h"
#include "sequencer/data/DCsqTrack.h"

#include <new>

PLAT_IMPLEMENT_SERIAL(DCsqSysMsg, DCsqMidi, plat::kVersionableSchema | 2)

DCsqSysMsg& DCsqSysMsg::operator=(const DCsqSysMsg& other)
{
    if (this != &other) {
        DCsqMidi::operator=(other);
        m_sysEx = other.m_sysEx;
    }
    return *this;
}

DCBase* DCsqSysMsg::Copy(plat::Object* other)
{
    if (auto* data = plat::dynamicDowncast<DCsqSysMsg>(other))
        *this = *data;
    return this;
}

int DCsqSysMsg::GetClassType() const
{
    return SeqClassType::SysMsg;
}

void DCsqSysMsg::GetEventData(CSeqEventList& list, CSequence* sequence)
{
    if (!Plays(sequence))
        return;
    ECBase* owner = GetOwner();
    std::unique_ptr<CSeqEvent> event(new (std::nothrow) CSeqEvent);
    if (!event)
        return;
    const MCTime& time = owner->GetTime() ? *owner->GetTime() : MCTime::TimeZero();
    const MCVoiceTrack word = owner->GetVoiceTrack() ? *owner->GetVoiceTrack() : MCVoiceTrack();
    DCsqTrack* track = DCsqTrack::GetTrackData(owner, 0, sequence);
    if (GetMidiData().HasData())
        event->SetMidiEvent(GetMidiData(), owner, track, time, word);
    else
        event->SetSysExEvent(m_sysEx, owner, track, time, word);
    list.push_back(std::move(event));
}
