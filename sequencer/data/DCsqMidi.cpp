#include "sequencer/data/DCsqMidi.h"

#include "notabase/model/ECBase.h"
#include "platform/core/Archive.h"
#include "sequencer/data/DCsqTrack.h"
#include "sequencer/events/CSeqEventPool.h"
#include "sequencer/transport/CSequence.h"

#include <algorithm>

PLAT_IMPLEMENT_SERIAL(DCsqMidi, DCsqBase, plat::kVersionableSchema | 2)

DCsqMidi& DCsqMidi::operator=(const DCsqMidi& other)
{
    if (this != &other) {
        DCsqBase::operator=(other);
        m_message = other.m_message;
    }
    return *this;
}

void DCsqMidi::Serialize(plat::Archive& archive)
{
    DCsqBase::Serialize(archive);
    if (archive.isStoring())
        archive.writeU32(m_message.GetValue());
    else
        m_message = LoadedMessage(archive.readU32());
}

FCMidi DCsqMidi::LoadedMessage(uint32_t word)
{
    FCMidi message(static_cast<MIDIWORD>(word & 0xFFu));
    message.SetDataByte1(static_cast<uint8_t>(std::min<uint32_t>(word >> 8 & 0xFF, 0x7F)));
    message.SetDataByte2(static_cast<uint8_t>(std::min<uint32_t>(word >> 16 & 0xFF, 0x7F)));
    return message;
}

DCBase* DCsqMidi::Copy(plat::Object* other)
{
    if (auto* data = plat::dynamicDowncast<DCsqMidi>(other))
        *this = *data;
    return this;
}

int DCsqMidi::GetClassType() const
{
    return SeqClassType::Midi;
}

int DCsqMidi::PlayedTrack() const
{
    return OwnerTrackNumber();
}

bool DCsqMidi::Plays(CSequence* sequence) const
{
    return GetOwner() && sequence && !sequence->IgnoreTrack(OwnerTrackNumber());
}

void DCsqMidi::GetEventData(CSeqEventList& list, CSequence* sequence)
{
    if (!Plays(sequence))
        return;
    ECBase* owner = GetOwner();
    CSeqEvent* event = CSeqEventPool::Take(&sequence->GetPlayer().GetEventPool(), list);
    if (!event)
        return;
    const MCTime* time = owner->GetTime();
    const MCVoiceTrack* word = owner->GetVoiceTrack();
    event->SetMidiEvent(m_message, owner, DCsqTrack::GetTrackData(owner, 1, sequence), time ? *time : MCTime::TimeZero(),
                        word ? *word : MCVoiceTrack());
}
