#include "sequencer/data/DCsqSysMsg.h"

#include "notabase/model/ECBase.h"
#include "platform/core/Archive.h"
#include "sequencer/data/DCsqTrack.h"

#include <memory>
#include <new>
#include <string>

PLAT_IMPLEMENT_SERIAL(DCsqSysMsg, DCsqMidi, plat::kVersionableSchema | 2)

DCsqSysMsg& DCsqSysMsg::operator=(const DCsqSysMsg& other)
{
    if (this != &other) {
        DCsqMidi::operator=(other);
        m_sysEx = other.m_sysEx;
    }
    return *this;
}

void DCsqSysMsg::Serialize(plat::Archive& archive)
{
    DCsqMidi::Serialize(archive);
    if (archive.isStoring()) {
        const uint32_t length = m_sysEx.GetSysExBufLength();
        archive.writeU32(length);
        if (length)
            archive.writeBytes(m_sysEx.GetSysExBuf(), length);
        return;
    }
    const uint32_t length = archive.readU32();
    if (length > FCMidiSysEx::maxLength)
        throw plat::ArchiveError(plat::ArchiveError::Cause::generic, "system message: " + std::to_string(length) + " bytes");
    archive.requireAvailable(length, 1);
    if (length == 0) {
        m_sysEx.SetSysExBuf(nullptr, 0);
        return;
    }
    auto bytes = std::make_unique<unsigned char[]>(length);
    archive.readBytes(bytes.get(), length);
    m_sysEx.SetSysExBuf(std::move(bytes), length);
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
