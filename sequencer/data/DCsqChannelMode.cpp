#include "sequencer/data/DCsqChannelMode.h"

#include "notabase/model/ECChannelMode.h"
#include "notabase/model/ECPerformanceBase.h"
#include "platform/core/Archive.h"

#include <iterator>
#include <new>

PLAT_IMPLEMENT_SERIAL(DCsqChannelMode, DCsqMidi, plat::kVersionableSchema | 2)

namespace {

// The two controllers (and values) of each mode type; a second controller of 0 means none.
struct ModeMessages {
    uint8_t first;
    uint8_t firstValue;
    uint8_t second;
    uint8_t secondValue;
};

constexpr ModeMessages kModes[] = {
    {120, 0, 0, 0},    // all sound off
    {121, 0, 0, 0},    // reset all controllers
    {122, 127, 0, 0},  // local control on
    {122, 0, 0, 0},    // local control off
    {123, 0, 0, 0},    // all notes off
    {125, 0, 127, 0},  // omni on, poly
    {125, 0, 126, 1},  // omni on, mono
    {124, 0, 127, 0},  // omni off, poly
    {124, 0, 126, 0},  // omni off, mono on the mode-4 channel count
};

}  // namespace

DCsqChannelMode::DCsqChannelMode(const DCsqChannelMode& other)
    : DCsqMidi(other), m_mode4Channels(other.m_mode4Channels), m_basicChannel(other.m_basicChannel), m_device(other.m_device)
{
}

DCsqChannelMode& DCsqChannelMode::operator=(const DCsqChannelMode& other)
{
    if (this != &other) {
        DCsqMidi::operator=(other);
        m_mode4Channels = other.m_mode4Channels;
        m_basicChannel = other.m_basicChannel;
        m_device = other.m_device;
    }
    return *this;
}

bool DCsqChannelMode::operator==(const DCsqChannelMode& other) const
{
    return m_mode4Channels == other.m_mode4Channels && m_basicChannel == other.m_basicChannel && m_device == other.m_device;
}

void DCsqChannelMode::Serialize(plat::Archive& archive)
{
    DCsqMidi::Serialize(archive);
    if (archive.isStoring()) {
        archive << m_basicChannel << m_mode4Channels;
        return;
    }
    if (ECPerformanceBase::GetActiveVersion(archive) >= 4)
        archive >> m_basicChannel >> m_mode4Channels;
}

DCBase* DCsqChannelMode::Copy(plat::Object* other)
{
    if (auto* data = plat::dynamicDowncast<DCsqChannelMode>(other))
        *this = *data;
    return this;
}

int DCsqChannelMode::GetClassType() const
{
    return SeqClassType::ChannelMode;
}

void DCsqChannelMode::GetEventData(CSeqEventList& list, CSequence* sequence)
{
    if (!Plays(sequence))
        return;
    auto* owner = plat::dynamicDowncast<ECChannelMode>(GetOwner());
    if (!owner)
        return;
    GetMidiData().SetStatusByte(static_cast<uint8_t>(0xB0 | (m_basicChannel & 0x0F)));
    const unsigned type = owner->GetChannelModeType();
    if (type >= std::size(kModes))
        return;
    const ModeMessages& mode = kModes[type];
    const MCTime* time = owner->GetTime();
    const MCTime at = time ? *time : MCTime::TimeZero();
    CSeqEventList made;
    auto add = [&](uint8_t controller, uint8_t value) {
        FCMidi message = GetMidiData();
        message.SetDataByte1(controller);
        message.SetDataByte2(value);
        std::unique_ptr<CSeqEvent> event(new (std::nothrow) CSeqEvent);
        if (!event)
            return false;
        event->SetChannelModeEvent(message, owner, m_device, at);
        made.push_back(std::move(event));
        return true;
    };
    if (!add(mode.first, mode.firstValue))
        return;
    if (mode.second != 0) {
        // A count past the sixteen channels ("ALL") is sent as 0: every channel the
        // receiver has.
        const uint8_t value = type == 8 ? (m_mode4Channels > 16 ? 0 : m_mode4Channels) : mode.secondValue;
        if (!add(mode.second, value))
            return;
    }
    list.splice(list.end(), made);
}
