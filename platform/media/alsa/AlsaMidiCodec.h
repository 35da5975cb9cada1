#pragma once

#include "platform/media/PlatMediaExport.h"

#include <alsa/asoundlib.h>

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace plat::media {

// Turns MIDI messages into ALSA sequencer events and back. Short messages are packed with the
// status in the low byte, as the ports take and give them; the one-byte real-time messages
// (clock, start, continue, stop, active sensing, reset), which the sequencer carries as
// events of their own, come back as one-byte messages. System-exclusive messages that arrive
// in pieces are put together before they are handed on.
class PLATMEDIA_API AlsaMidiCodec {
public:
    AlsaMidiCodec();
    ~AlsaMidiCodec();
    AlsaMidiCodec(const AlsaMidiCodec&) = delete;
    AlsaMidiCodec& operator=(const AlsaMidiCodec&) = delete;

    // Fills the event's type and data for a short message; false for a packed word that is no
    // complete message. The caller sets source, destination and time.
    bool encodeShort(uint32_t packed, snd_seq_event_t& event);
    // A system-exclusive message, F0 to F7. The event points into bytes, which must outlive it.
    static bool encodeSysex(std::span<const uint8_t> bytes, snd_seq_event_t& event);

    using ShortHandler = std::function<void(uint32_t packed)>;
    using SysexHandler = std::function<void(std::span<const uint8_t> bytes)>;
    // Hands on what the event carries: a short message, or a system-exclusive message once
    // its last piece is in. Events that carry no MIDI message are passed over.
    void decode(const snd_seq_event_t& event, const ShortHandler& onShort, const SysexHandler& onSysex);

    // A system-exclusive message longer than this is dropped.
    static constexpr size_t kMaxSysex = 1 << 20;

private:
    snd_midi_event_t* m_parser = nullptr;
    std::vector<uint8_t> m_sysex;
    bool m_inSysex = false;
};

}  // namespace plat::media
