#include "platform/media/alsa/AlsaMidiCodec.h"

#include "platform/media/StreamScheduler.h"

#include <array>
#include <stdexcept>

namespace plat::media {

namespace {

// The real-time messages the sequencer carries as events of their own.
int realTimeStatus(snd_seq_event_type_t type)
{
    switch (type) {
    case SND_SEQ_EVENT_CLOCK:
        return 0xF8;
    case SND_SEQ_EVENT_TICK:
        return 0xF9;
    case SND_SEQ_EVENT_START:
        return 0xFA;
    case SND_SEQ_EVENT_CONTINUE:
        return 0xFB;
    case SND_SEQ_EVENT_STOP:
        return 0xFC;
    case SND_SEQ_EVENT_SENSING:
        return 0xFE;
    case SND_SEQ_EVENT_RESET:
        return 0xFF;
    default:
        return -1;
    }
}

}  // namespace

AlsaMidiCodec::AlsaMidiCodec()
{
    if (snd_midi_event_new(16, &m_parser) < 0)
        throw std::bad_alloc();
    // Every decoded message carries its own status byte.
    snd_midi_event_no_status(m_parser, 1);
}

AlsaMidiCodec::~AlsaMidiCodec()
{
    snd_midi_event_free(m_parser);
}

bool AlsaMidiCodec::encodeShort(uint32_t packed, snd_seq_event_t& event)
{
    const auto status = static_cast<uint8_t>(packed);
    const size_t length = StreamScheduler::shortMessageLength(status);
    if (length == 0)
        return false;
    std::array<uint8_t, 3> bytes{};
    for (size_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<uint8_t>(packed >> (8 * i));
        if (i > 0 && bytes[i] >= 0x80)
            return false;
    }
    // A message of its own: no running status from an earlier one.
    snd_midi_event_reset_encode(m_parser);
    snd_seq_ev_clear(&event);
    const long used = snd_midi_event_encode(m_parser, bytes.data(), static_cast<long>(length), &event);
    return used == static_cast<long>(length) && event.type != SND_SEQ_EVENT_NONE;
}

bool AlsaMidiCodec::encodeSysex(std::span<const uint8_t> bytes, snd_seq_event_t& event)
{
    if (bytes.size() < 2 || bytes.front() != 0xF0 || bytes.back() != 0xF7)
        return false;
    snd_seq_ev_clear(&event);
    snd_seq_ev_set_sysex(&event, static_cast<unsigned>(bytes.size()), const_cast<uint8_t*>(bytes.data()));
    return true;
}

void AlsaMidiCodec::decode(const snd_seq_event_t& event, const ShortHandler& onShort, const SysexHandler& onSysex)
{
    if (const int status = realTimeStatus(event.type); status >= 0) {
        onShort(static_cast<uint32_t>(status));
        return;
    }
    if (event.type == SND_SEQ_EVENT_SYSEX) {
        const auto* data = static_cast<const uint8_t*>(event.data.ext.ptr);
        const std::span<const uint8_t> piece(data, event.data.ext.len);
        if (piece.empty())
            return;
        if (piece.front() == 0xF0) {
            m_sysex.clear();
            m_inSysex = true;
        }
        if (!m_inSysex)
            return;  // a piece whose start was lost
        if (m_sysex.size() + piece.size() > kMaxSysex) {
            m_sysex.clear();
            m_inSysex = false;
            return;
        }
        m_sysex.insert(m_sysex.end(), piece.begin(), piece.end());
        if (piece.back() == 0xF7) {
            m_inSysex = false;
            onSysex(m_sysex);
            m_sysex.clear();
        }
        return;
    }
    std::array<uint8_t, 12> bytes{};
    snd_midi_event_reset_decode(m_parser);
    const long length = snd_midi_event_decode(m_parser, bytes.data(), static_cast<long>(bytes.size()), &event);
    if (length <= 0 || length > 3 || bytes[0] < 0x80 || bytes[0] == 0xF0)
        return;
    uint32_t packed = 0;
    for (long i = 0; i < length; ++i)
        packed |= static_cast<uint32_t>(bytes[static_cast<size_t>(i)]) << (8 * i);
    onShort(packed);
}

}  // namespace plat::media
